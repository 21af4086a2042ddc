// A bound on how long one request may take to arrive. libmicrohttpd's own time-out is an idle
// time-out: a client that sends one byte a second never trips it and holds its connection for
// as long as it likes, and enough such clients use up the connection limit. Each connection
// here has a deadline from its start (and from the end of its previous request) until its
// request has been read; a watcher shuts down the sockets that miss it, which the server then
// sees as a closed connection.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace vesk::web {

class RequestDeadlines
{
public:
    explicit RequestDeadlines(std::chrono::seconds allowed);
    ~RequestDeadlines();
    RequestDeadlines(const RequestDeadlines &) = delete;
    RequestDeadlines &operator=(const RequestDeadlines &) = delete;

    // `key` names the connection (its server-side handle); `fd` is its socket.
    void Opened(const void *key, int fd);
    // Must be called before the socket is closed, so a late shutdown never hits a reused fd.
    void Closed(const void *key);
    // A request is awaited: the deadline starts now.
    void Await(const void *key);
    // The request has been read whole: no deadline while it is answered.
    void Received(const void *key);
    // Connections shut down for missing their deadline so far.
    int Dropped() const;

private:
    using Clock = std::chrono::steady_clock;
    void watch();

    const std::chrono::seconds allowed_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    struct Entry
    {
        int fd;
        Clock::time_point deadline;
    };
    std::unordered_map<const void *, Entry> open_;
    int dropped_ = 0;
    bool stopping_ = false;
    std::thread watcher_;
};

} // namespace vesk::web
