// A manual-reset event with a wait on several events and a time-out (the monitors' stop and idle
// events).
#pragma once

#include <condition_variable>
#include <initializer_list>
#include <mutex>
#include <vector>

namespace vesk {

// Stays signalled until reset. Shared by std::shared_ptr: whoever waits on an event holds a
// reference of its own, so the event outlives every wait on it whatever the signalling side frees.
class WaitEvent
{
public:
    static constexpr int Infinite = -1;
    static constexpr int TimedOut = -1;

    explicit WaitEvent(bool InitiallySet = false) : FSet(InitiallySet) {}
    WaitEvent(const WaitEvent &) = delete;
    WaitEvent &operator=(const WaitEvent &) = delete;

    void set();
    void reset();
    bool isSet() const;
    // True when the event is signalled within TimeoutMs (Infinite waits for ever).
    bool wait(int TimeoutMs);

    // Index of the first signalled event of Events, or TimedOut after TimeoutMs.
    static int waitAny(std::initializer_list<WaitEvent *> Events, int TimeoutMs);

private:
    struct Waiter
    {
        std::mutex Mutex;
        std::condition_variable Cond;
        bool Woken = false;
    };

    void attach(Waiter *W);
    void detach(Waiter *W);

    mutable std::mutex FMutex;
    bool FSet;
    std::vector<Waiter *> FWaiters;
};

} // namespace vesk
