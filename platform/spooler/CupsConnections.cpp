// Connecting to the CUPS server and sending requests; the per-thread connections of a printer.
#include "CupsConnections.h"

namespace vesk::spooler::cups {

http_t *Connect(const Server &S)
{
    const int Family = (!S.Host.empty() && S.Host[0] == '/') ? AF_LOCAL : AF_UNSPEC;
    return httpConnect2(S.Host.c_str(), S.Port, nullptr, Family, HTTP_ENCRYPTION_IF_REQUESTED, 1,
                        5000, nullptr);
}

std::string PrinterUri(const std::string &Name)
{
    char Uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, Uri, sizeof(Uri), "ipp", nullptr, "localhost", 0,
                     "/printers/%s", Name.c_str());
    return Uri;
}

ipp_t *NewRequest(ipp_op_t Op, const char *UriName, const std::string &Uri)
{
    ipp_t *R = ippNewRequest(Op);
    ippAddString(R, IPP_TAG_OPERATION, IPP_TAG_URI, UriName, nullptr, Uri.c_str());
    ippAddString(R, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return R;
}

void RequestAttributes(ipp_t *R, const char *const *Names, int Count)
{
    ippAddStrings(R, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", Count, nullptr,
                  Names);
}

void Send(http_t *H, ipp_t *Request, Reply &Out)
{
    Out.Response = cupsDoRequest(H, Request, "/");
    if (Out.Response == nullptr) {
        Out.Status = cupsLastError();
        Out.Transport = true;
    } else {
        Out.Status = ippGetStatusCode(Out.Response);
    }
}

Connections::~Connections()
{
    for (auto &[Id, H] : byThread_)
        httpClose(H);
}

http_t *Connections::Get()
{
    std::lock_guard Lock(mutex_);
    http_t *&H = byThread_[std::this_thread::get_id()];
    if (H == nullptr)
        H = Connect(server_);
    return H;
}

void Connections::Drop()
{
    std::lock_guard Lock(mutex_);
    auto It = byThread_.find(std::this_thread::get_id());
    if (It != byThread_.end()) {
        httpClose(It->second);
        byThread_.erase(It);
    }
}

} // namespace vesk::spooler::cups
