// The CUPS server a spooler talks to, its connections (one per calling thread) and the request
// plumbing every IPP call of the spooler goes through. Internal to the CUPS spooler.
#pragma once

#include "CupsSpooler.h"

#include <cups/cups.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace vesk::spooler::cups {

struct Server
{
    std::string Host;
    int Port = 631;
    SubscriptionLease Lease;
    std::string Key() const
    {
        return Host + ":" + std::to_string(Port) + "/" + std::to_string(Lease.Seconds) + "/" +
               std::to_string(Lease.RenewMargin.count()) + "/" +
               std::to_string(Lease.Poll.count()) + "/" + Lease.Owner;
    }
    // From a subscription or renewal to the next one; a margin of a whole lease renews every poll.
    std::chrono::milliseconds RenewAfter() const
    {
        return std::max(std::chrono::milliseconds(std::chrono::seconds(Lease.Seconds)) -
                            Lease.RenewMargin,
                        std::chrono::milliseconds(0));
    }
};

http_t *Connect(const Server &S);
// The URI of a queue on the connected server.
std::string PrinterUri(const std::string &Name);
// An operation on Uri (given as UriName), asked as the current user.
ipp_t *NewRequest(ipp_op_t Op, const char *UriName, const std::string &Uri);
void RequestAttributes(ipp_t *R, const char *const *Names, int Count);

// Result of one request: the response (owned) or the reason there is none.
struct Reply
{
    ipp_t *Response = nullptr;
    int Status = 0;         // ipp_status_t
    bool Transport = false; // no answer at all: the connection is gone
    ~Reply() { ippDelete(Response); }
    bool Ok() const { return Response != nullptr && Status < IPP_STATUS_REDIRECTION_OTHER_SITE; }
};

// Sends Request (and frees it): Out gets the answer, or Transport when there was none.
void Send(http_t *H, ipp_t *Request, Reply &Out);

// Connections of one printer, one per calling thread. Calls never overlap (the monitor and its
// sweep take turns), so the map needs no lock of its own beyond the one below for safety.
class Connections
{
public:
    explicit Connections(Server S) : server_(std::move(S)) {}
    ~Connections();
    http_t *Get();
    // After a transport failure: the next call connects afresh.
    void Drop();
    const Server &Where() const { return server_; }

private:
    Server server_;
    std::mutex mutex_;
    std::map<std::thread::id, http_t *> byThread_;
};

} // namespace vesk::spooler::cups
