// The spooler over libcups: IPP to the CUPS server that the client configuration names.
#pragma once

#include "Spooler.h"

namespace vesk::spooler {

// Talks to CUPS_SERVER (or libcups' default, the local scheduler). Each thread that calls an
// open printer gets its own connection. Change notifications come from one server-wide ippget
// subscription per server, shared by every printer opened in the process and polled every
// NotificationPollMs (CUPS 2.4 answers Get-Notifications at once, without waiting).
class CupsSpooler : public Spooler
{
public:
    static constexpr int NotificationPollMs = 250;
    static constexpr int LeaseSeconds = 300;

    // Server "host", "host:port" or a socket path; empty = the client configuration.
    explicit CupsSpooler(const std::string &Server = {});

    std::unique_ptr<PrinterHandle> OpenPrinter(const std::string &Name, OpenError *Error) override;

    const std::string &Host() const { return FHost; }
    int Port() const { return FPort; }

private:
    std::string FHost;
    int FPort = 631;
};

} // namespace vesk::spooler
