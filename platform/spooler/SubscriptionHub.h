// SubscriptionHub: the one server-wide ippget subscription per CUPS server that wakes the change
// notifications of every printer the process has opened. Internal to the CUPS spooler.
#pragma once

#include "CupsConnections.h"
#include "WaitEvent.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
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

// One server-wide ippget subscription per CUPS server, shared by every listener of the process.
// Its poller thread owns the connection; listeners are touched under FMutex only.
class SubscriptionHub
{
public:
    static std::shared_ptr<SubscriptionHub> ForServer(const Server &S, int *Error);
    ~SubscriptionHub();

    void Add(const std::shared_ptr<Listener> &L);
    void Remove(const std::shared_ptr<Listener> &L);
    std::mutex &Mutex() { return FMutex; }

private:
    explicit SubscriptionHub(Server S) : FServer(std::move(S)) {}

    bool Start(int *Error);
    bool Subscribe(int *Status);

    // Subscriptions with our owner's mark that an earlier process of the same owner left.
    void CancelLeftBehind();
    void Reconnect();
    void Renew();

    // Contact or subscription lost: whatever happens until it is back is unknown.
    void Lost(bool Connection);
    void DiscardAll();
    void Run();
    void Poll();

    // Events of one Get-Notifications answer, in sequence order.
    void Dispatch(ipp_t *Response);

    Server FServer;
    http_t *FHttp = nullptr; // the poller's own connection
    int FSubscription = 0;
    int FNextSequence = 1;
    bool FNeedDiscard = false;
    std::chrono::steady_clock::time_point FRenewAt;

    std::mutex FMutex;
    std::condition_variable FCond;
    bool FStop = false;
    std::vector<std::shared_ptr<Listener>> FListeners;
    std::thread FThread;
};

} // namespace vesk::spooler::cups
