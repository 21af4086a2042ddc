// ThreadSanitizer builds only: QProcess starts a program with a clone that shares the parent's
// memory until the child runs exec (CLONE_VM | CLONE_VFORK). ThreadSanitizer's clone interceptor
// treats that child like a forked one and sets its state up for a child process, in memory the
// parent shares: from then on the starting thread's locks and waits are invisible to it and
// every later hand-over from that thread is reported as a race. This clone, linked into the test
// programs ahead of the sanitizer's, starts such a child as a plain fork instead (its own copy of
// memory; the pidfd and the exit signal as asked), so the parent's state stays its own. QProcess
// reports a failed exec through a pipe, not through shared memory, so it works the same.
#include <cstdarg>
#include <dlfcn.h>
#include <sched.h>

namespace {

using CloneFn = int (*)(int (*)(void *), void *, int, void *, ...);

CloneFn libcClone()
{
    static const CloneFn Real = [] {
        void *libc = dlopen("libc.so.6", RTLD_LAZY | RTLD_NOLOAD);
        return libc ? reinterpret_cast<CloneFn>(dlsym(libc, "clone")) : nullptr;
    }();
    return Real;
}

} // namespace

extern "C" int clone(int (*fn)(void *), void *stack, int flags, void *arg, ...)
{
    va_list rest;
    va_start(rest, arg);
    pid_t *parentTid = va_arg(rest, pid_t *);
    void *tls = va_arg(rest, void *);
    pid_t *childTid = va_arg(rest, pid_t *);
    va_end(rest);
    if ((flags & CLONE_VM) && (flags & CLONE_VFORK))
        flags &= ~(CLONE_VM | CLONE_VFORK);
    return libcClone()(fn, stack, flags, arg, parentTid, tls, childTid);
}
