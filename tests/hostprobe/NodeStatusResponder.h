// A NetBIOS name service on 127.0.0.1 for the tests: records requests, answers by script.
#pragma once

#include "TestPackets.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vesk::test {

class NodeStatusResponder
{
public:
    // The datagrams to send back for one request (none: stay silent). An empty script never
    // answers.
    using Script = std::function<std::vector<std::vector<std::uint8_t>>(const ReceivedRequest &)>;

    // Port 0 picks a free port. bound() tells whether the port could be had.
    NodeStatusResponder(std::uint16_t port, Script script);
    ~NodeStatusResponder();
    NodeStatusResponder(const NodeStatusResponder &) = delete;
    NodeStatusResponder &operator=(const NodeStatusResponder &) = delete;

    bool bound() const { return fd_ >= 0; }
    int bindError() const { return bindError_; }
    std::uint16_t port() const { return port_; }
    std::vector<ReceivedRequest> requests() const;

private:
    void serve();

    int fd_ = -1;
    int bindError_ = 0;
    std::uint16_t port_ = 0;
    Script script_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<ReceivedRequest> requests_;
    std::thread thread_;
};

// A closed UDP port on 127.0.0.1: bound once and released, so nothing listens there.
std::uint16_t ClosedLoopbackPort();

} // namespace vesk::test
