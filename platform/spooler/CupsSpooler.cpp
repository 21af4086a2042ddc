// CupsSpooler: opens printers over IPP on the server the client configuration (or the caller)
// names. The pieces behind it: CupsConnections (server, connections, requests), CupsPrinterCore
// (a printer's IPP reads), CupsPrinter (the handle), CupsNotification (a printer's change
// notification and its catch-up bookkeeping), SubscriptionHub (the server-wide subscription).
#include "CupsSpooler.h"

#include "CupsConnections.h"
#include "CupsPrinter.h"
#include "CupsPrinterCore.h"

#include <cups/cups.h>

#include <cstdlib>

namespace vesk::spooler {

using cups::CupsPrinter;
using cups::PrinterCore;
using cups::Reply;
using cups::Server;

CupsSpooler::CupsSpooler(const std::string &ServerName, SubscriptionLease Lease) : lease_(Lease)
{
    std::string S = ServerName.empty() ? std::string(cupsServer()) : ServerName;
    port_ = ippPort();
    // "host:port" (libcups may hand the port back still attached); a socket path has no port.
    if (!S.empty() && S[0] != '/') {
        const auto Colon = S.rfind(':');
        if (Colon != std::string::npos && S.find(':') == Colon && Colon + 1 < S.size()) {
            port_ = std::atoi(S.c_str() + Colon + 1);
            S.resize(Colon);
        }
    }
    host_ = S;
}

std::unique_ptr<PrinterHandle> CupsSpooler::OpenPrinter(const std::string &Name, OpenError *Error)
{
    auto Result = [&](OpenError E) {
        if (Error != nullptr)
            *Error = E;
    };
    if (Name.empty())
        return Result(OpenError::EmptyName), nullptr;
    auto Core = std::make_shared<PrinterCore>(Server{host_, port_, lease_}, Name);
    IppPrinter P;
    Reply R;
    if (!Core->ReadPrinter(P, &R)) {
        if (R.Transport)
            Result(OpenError::ServerUnreachable);
        else if (R.Status == IPP_STATUS_ERROR_NOT_FOUND)
            Result(OpenError::UnknownPrinter);
        else
            Result(OpenError::Other);
        return nullptr;
    }
    Result(OpenError::None);
    return std::make_unique<CupsPrinter>(std::move(Core));
}

} // namespace vesk::spooler
