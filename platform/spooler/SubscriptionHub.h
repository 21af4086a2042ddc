// SubscriptionHub: the one server-wide ippget subscription per CUPS server that wakes the change
// notifications of every printer the process has opened. Internal to the CUPS spooler.
//
// Design notes
// ------------
// One hub per server and lease (Server::Key) in a process-wide registry of weak references: the
// change notifications (CupsNotification, one per monitored printer) own it together, and the
// last one closed ends it. A printer's notification is a Listener: its printer name, its wake-up
// event, a discard flag and the ids of its jobs that left the queue since its last read.
//
// States of the poller (what http_, subscription_ and needDiscard_ say):
//   subscribed    --(Get-Notifications answers)-->               subscribed; listeners woken
//   subscribed    --(renewal due, Renew-Subscription answers)--> subscribed, lease extended
//   subscribed    --(no answer at all: connection gone)-->       disconnected, discard owed
//   subscribed    --(error answer: lease lapsed, cancelled)-->   unsubscribed, discard owed
//   disconnected  --(next poll connects)-->                      subscribed with the same id
//                                                                (subscriptions survive a
//                                                                restart; if this one did not,
//                                                                the next answer is an error)
//   unsubscribed  --(Create-Printer-Subscriptions answers)-->    subscribed, sequence from 1
//   any           --(the hub's last owner is gone)-->            stopped, subscription cancelled
// A connect or subscribe that fails leaves the poller out of contact with the discard still
// owed; the next poll, SubscriptionLease::Poll later, tries again. CUPS answers
// Get-Notifications at once, so the poller asks at that pace instead of waiting in the scheduler.
//
// Events. An event names its printer; it wakes the listeners of that printer (matched without
// letter case, as CUPS finds its queues). A job that left the queue (completed, canceled,
// aborted) also goes into their Finished: a queue listing no longer shows it, so the reader asks
// for its final values by id.
//
// Discard. Whatever happened while the poller was out of contact (or lost its subscription) is
// unknown, so every listener is told "information discarded" and its reader re-reads the queue,
// every job above the highest id it has reported, and every job it reported queued that the
// queue no longer holds (one that finished meanwhile has no event left). The discard is owed until
// the first Get-Notifications that answers again, and delivered under mutex_ just before that
// answer's events: the re-read then starts after the new subscription exists, so a job finishing in
// between is either in the re-read or in the events; none falls between the two. Telling the
// readers earlier would only make them fail against an unreachable server, or re-read before
// the events that follow are guaranteed to arrive. Events are also discarded when their
// sequence numbers jump (the scheduler's event buffer overflowed: events fell out) and on
// server-started/server-restarted. Events already seen (a lower sequence number) are skipped.
//
// Lease. The subscription asks for SubscriptionLease::Seconds and is renewed RenewMargin before
// it would end, so a killed process's subscription lapses on its own (a lease of 0 would outlive
// it for ever). The subscription is marked with SubscriptionLease::Owner (notify-user-data), and
// a new hub first cancels the subscriptions of the same mark that a killed predecessor left.
//
// Who calls what on which thread:
//   - ForServer: the thread opening a change notification (a monitor thread), under the
//     registry's lock; the first one connects, cancels what is left behind and subscribes on that
//     thread, so a server that cannot be reached fails FindFirstChangeNotification there.
//   - The poller thread (run/poll) owns http_, subscription_, nextSequence_, needDiscard_ and
//     renewAt_ from start to join; no other thread touches them meanwhile.
//   - mutex_ guards listeners_, each Listener's Discarded and Finished, and stop_. The poller
//     takes it to mark and wake listeners; a reader (CupsNotification::FindNext, on its monitor
//     thread) takes it to reset its event and take over its flags, and never holds it during
//     IPP: its reads go over its printer's own connections, never the poller's.
//   - The destructor runs on the thread that drops the last reference: it sets stop_, wakes and
//     joins the poller, then cancels the subscription on the poller's connection.
#pragma once

#include "CupsConnections.h"
#include "WaitEvent.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vesk::spooler::cups {

// What the subscription poller keeps for one open change notification.
struct Listener
{
    std::string Printer;
    std::shared_ptr<WaitEvent> Event = std::make_shared<WaitEvent>(true);
    bool Discarded = false;
    std::set<uint32_t> Finished; // jobs that left the queue since the last read
};

// One server-wide ippget subscription per CUPS server, shared by every listener of the process
// (see the design notes above).
class SubscriptionHub
{
public:
    static std::shared_ptr<SubscriptionHub> ForServer(const Server &S, int *Error);
    ~SubscriptionHub();

    void Add(const std::shared_ptr<Listener> &L);
    void Remove(const std::shared_ptr<Listener> &L);
    // The printer name of this process's listener for `Queue` (letter case ignored, as CUPS
    // finds its queues), or none when no one listens to it.
    std::optional<std::string> Watched(const std::string &Queue);
    std::mutex &Mutex() { return mutex_; }

private:
    explicit SubscriptionHub(Server S) : server_(std::move(S)) {}

    bool start(int *Error);
    bool subscribe(int *Status);

    // Subscriptions with our owner's mark that an earlier process of the same owner left.
    void cancelLeftBehind();
    void reconnect();
    void renew();

    // Contact or subscription lost: whatever happens until it is back is unknown.
    void lost(bool Connection);
    void discardAll();
    void run();
    void poll();

    // Events of one Get-Notifications answer, in sequence order.
    void dispatch(ipp_t *Response);

    Server server_;
    http_t *http_ = nullptr; // the poller's own connection
    int subscription_ = 0;
    int nextSequence_ = 1;
    bool needDiscard_ = false;
    std::chrono::steady_clock::time_point renewAt_;

    std::mutex mutex_;
    std::condition_variable cond_;
    bool stop_ = false;
    std::vector<std::shared_ptr<Listener>> listeners_;
    std::thread thread_;
};

} // namespace vesk::spooler::cups
