#include "RequestDeadlines.h"

#include <sys/socket.h>

namespace vesk::web {

RequestDeadlines::RequestDeadlines(std::chrono::seconds allowed)
    : allowed_(allowed), watcher_([this] { watch(); })
{}

RequestDeadlines::~RequestDeadlines()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    watcher_.join();
}

void RequestDeadlines::Opened(const void *key, int fd)
{
    std::lock_guard lock(mutex_);
    open_[key] = {fd, Clock::now() + allowed_};
}

void RequestDeadlines::Closed(const void *key)
{
    std::lock_guard lock(mutex_);
    open_.erase(key);
}

void RequestDeadlines::Await(const void *key)
{
    std::lock_guard lock(mutex_);
    if (auto it = open_.find(key); it != open_.end())
        it->second.deadline = Clock::now() + allowed_;
}

void RequestDeadlines::Received(const void *key)
{
    std::lock_guard lock(mutex_);
    if (auto it = open_.find(key); it != open_.end())
        it->second.deadline = Clock::time_point::max();
}

int RequestDeadlines::Dropped() const
{
    std::lock_guard lock(mutex_);
    return dropped_;
}

void RequestDeadlines::watch()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, std::chrono::seconds(1));
        const Clock::time_point now = Clock::now();
        for (auto &[key, entry] : open_) {
            if (entry.deadline > now)
                continue;
            // Shutdown, not close: the socket stays the server's to close, and it notices the
            // end at once. The lock keeps Closed() (and so the close) from running meanwhile.
            ::shutdown(entry.fd, SHUT_RDWR);
            entry.deadline = Clock::time_point::max();
            ++dropped_;
        }
    }
}

} // namespace vesk::web
