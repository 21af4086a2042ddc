// UDP exchanges with NetBIOS name services: node status by unicast, name query by broadcast.
#pragma once

#include "NodeStatus.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace vesk {

using ProbeClock = std::chrono::steady_clock;

struct ExchangeTiming
{
    ProbeClock::time_point deadline;
    std::chrono::milliseconds resendInterval;
};

// Node status of the computer at `address`, over a connected socket: a host that is up
// without a name service refuses at once (ICMP port unreachable) instead of timing out.
// Answers that do not parse are ignored; the request is sent again every resend interval
// until the deadline.
std::optional<NodeStatusAnswer> AskNodeStatus(std::uint32_t address, std::uint16_t port,
                                              const NetBiosName &name,
                                              const ExchangeTiming &timing);

// The address of the first positive answer to a name query sent to every broadcast
// address, or nothing by the deadline.
std::optional<std::uint32_t> BroadcastNameQuery(const std::vector<std::uint32_t> &broadcasts,
                                                std::uint16_t port, const NetBiosName &name,
                                                const ExchangeTiming &timing);

} // namespace vesk
