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

} // namespace vesk
