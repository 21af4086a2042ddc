// Hand-overs between threads that ThreadSanitizer cannot see by itself.
//
// Qt from the distribution is not built with ThreadSanitizer, so the semaphores, mutexes and
// event queues inside Qt's queued calls and thread ends order nothing in its eyes: data a thread
// writes before a blocking send, or before its run function returns, looks unordered with the
// reads on the other side. Where this system hands data over through Qt, the sender calls
// HandOffRelease and the receiver HandOffAcquire on the same token; both compile to nothing in
// other builds.
#pragma once

#if defined(__SANITIZE_THREAD__)
#include <mutex>
#include <sanitizer/tsan_interface.h>
#endif

namespace vesk {

inline void HandOffRelease([[maybe_unused]] const void *Token)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_release(const_cast<void *>(Token));
#endif
}

inline void HandOffAcquire([[maybe_unused]] const void *Token)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(const_cast<void *>(Token));
#endif
}

// Reads a pointer that one of Qt's call objects carries to the receiving thread, unseen by
// ThreadSanitizer: Qt writes the call object inside the send, after the sender's release, and
// orders that write before this read by its own (invisible) queue. Everything read through the
// pointer is then ordered by the HandOffAcquire that follows.
template <class T>
[[gnu::noinline]]
#if defined(__SANITIZE_THREAD__)
[[gnu::no_sanitize_thread]]
#endif
T *HandOffLoad(T *const *Slot)
{
    return *Slot;
}

// Held around each post to a Qt event queue. Qt guards a thread's queue with its own mutex, which
// ThreadSanitizer does not see when two threads contend for it: their posts to one window then
// look raced inside Qt. In sanitizer builds this system's posts take turns under a lock it sees;
// in other builds the guard is empty.
class QueuePostGuard
{
#if defined(__SANITIZE_THREAD__)
    static std::mutex &Lock()
    {
        static std::mutex Posts;
        return Posts;
    }
    std::lock_guard<std::mutex> FGuard{Lock()};
#endif
};

} // namespace vesk
