// The spooler over libcups: IPP to the CUPS server that the client configuration names.
#pragma once

#include "Spooler.h"

#include <chrono>

namespace vesk::spooler {

// How long CUPS keeps the subscription without a renewal, how long before that lease ends the
// poller renews it, and how often it asks for notifications. Tests shorten the lease to see
// several leases go by, and lengthen the poll to widen the moment a lost subscription goes unseen.
struct SubscriptionLease
{
    int Seconds = 300;
    std::chrono::milliseconds RenewMargin = std::chrono::seconds(200);
    std::chrono::milliseconds Poll = std::chrono::milliseconds(250);
    // Marks the subscription as this owner's (notify-user-data, at most 63 bytes). Before
    // subscribing, the poller cancels the subscriptions the same owner left behind: a killed
    // agent's lapses only after its lease, and a server that restarts its agent often would
    // collect them up to the scheduler's limit. Empty: no mark, nothing cancelled.
    std::string Owner;
};

// Talks to CUPS_SERVER (or libcups' default, the local scheduler). Each thread that calls an
// open printer gets its own connection. Change notifications come from one server-wide ippget
// subscription per server, shared by every printer opened in the process and polled every
// SubscriptionLease::Poll (CUPS 2.4 answers Get-Notifications at once, without waiting). After
// information was lost, a printer's next read also brings the final values of its jobs that
// were printed unseen meanwhile.
class CupsSpooler : public Spooler
{
public:
    // Server "host", "host:port" or a socket path; empty = the client configuration. Spoolers
    // of one process with the same server and lease share one subscription.
    explicit CupsSpooler(const std::string &Server = {}, SubscriptionLease Lease = {});

    std::unique_ptr<PrinterHandle> OpenPrinter(const std::string &Name, OpenError *Error) override;

    const std::string &Host() const { return host_; }
    int Port() const { return port_; }
    const SubscriptionLease &Lease() const { return lease_; }

private:
    std::string host_;
    int port_ = 631;
    SubscriptionLease lease_;
};

} // namespace vesk::spooler
