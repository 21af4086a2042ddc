// Manual-reset event: each waiter registers a private condition with every event it waits on.
#include "WaitEvent.h"

#include <algorithm>
#include <chrono>

namespace vesk {

void WaitEvent::set()
{
    std::lock_guard Lock(FMutex);
    FSet = true;
    // Notified under the event's lock: a waiter detaches under the same lock, so it is alive here.
    for (Waiter *W : FWaiters) {
        {
            std::lock_guard WLock(W->Mutex);
            W->Woken = true;
        }
        W->Cond.notify_all();
    }
}

void WaitEvent::reset()
{
    std::lock_guard Lock(FMutex);
    FSet = false;
}

bool WaitEvent::isSet() const
{
    std::lock_guard Lock(FMutex);
    return FSet;
}

bool WaitEvent::wait(int TimeoutMs)
{
    return waitAny({this}, TimeoutMs) == 0;
}

void WaitEvent::attach(Waiter *W)
{
    std::lock_guard Lock(FMutex);
    FWaiters.push_back(W);
}

void WaitEvent::detach(Waiter *W)
{
    std::lock_guard Lock(FMutex);
    FWaiters.erase(std::remove(FWaiters.begin(), FWaiters.end(), W), FWaiters.end());
}

int WaitEvent::waitAny(std::initializer_list<WaitEvent *> Events, int TimeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto Deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs < 0 ? 0 : TimeoutMs);
    Waiter W;
    for (WaitEvent *E : Events)
        E->attach(&W);
    int Result = TimedOut;
    for (;;) {
        int Index = 0;
        for (WaitEvent *E : Events) {
            if (E->isSet()) {
                Result = Index;
                break;
            }
            ++Index;
        }
        if (Result != TimedOut)
            break;
        std::unique_lock WLock(W.Mutex);
        if (!W.Woken) {
            if (TimeoutMs == Infinite)
                W.Cond.wait(WLock, [&] { return W.Woken; });
            else if (!W.Cond.wait_until(WLock, Deadline, [&] { return W.Woken; }))
                break;
        }
        W.Woken = false;
    }
    for (WaitEvent *E : Events)
        E->detach(&W);
    return Result;
}

} // namespace vesk
