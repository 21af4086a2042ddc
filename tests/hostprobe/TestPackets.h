// Name service packets as responders send them, and the reading of requests, for the tests.
#pragma once

#include "NodeStatus.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vesk::test {

// Offsets in an answer that echoes a first-level encoded name (no scope).
constexpr std::size_t AnswerTypeOffset = 46;
constexpr std::size_t AnswerRdLengthOffset = 54;
constexpr std::size_t AnswerDataOffset = 56;

// A positive node status answer: `names` entries, the unit id, and `statistics` bytes of
// adapter statistics after it as Windows sends them.
std::vector<std::uint8_t> NodeStatusAnswerPacket(std::uint16_t id, const NetBiosName &asked,
                                                 const MacAddress &unitId, std::size_t names = 2,
                                                 std::size_t statistics = 46);

// A positive name query answer with one address per entry (network byte order).
std::vector<std::uint8_t> NameQueryAnswerPacket(std::uint16_t id, const NetBiosName &asked,
                                                const std::vector<std::uint32_t> &addresses);

void PutUint16(std::vector<std::uint8_t> &packet, std::size_t offset, std::uint16_t value);

struct ReceivedRequest
{
    std::uint16_t id = 0;
    std::uint16_t flags = 0;
    std::uint16_t type = 0;
    NetBiosName name{};
    std::size_t size = 0;
};

// Reads a request as a responder does; a request it cannot read has size 0.
ReceivedRequest ReadRequest(std::span<const std::uint8_t> packet);

std::string Printable(const NetBiosName &name);

} // namespace vesk::test
