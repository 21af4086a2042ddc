// NetBIOS node status (adapter status) request and answer: the MAC of a computer by name.
#pragma once

#include "NetBiosPacket.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vesk {

using MacAddress = std::array<std::uint8_t, 6>;

struct NodeStatusAnswer
{
    std::vector<NetBiosName> names;
    std::vector<std::uint16_t> nameFlags; // one per name; NodeNameGroup marks a group name
    MacAddress unitId{};
};

constexpr std::uint16_t NodeNameGroup = 0x8000;

// The computer name of a node status answer: the first unique (not group) name with the
// workstation suffix 0x00, without its padding, as the Windows spooler names the computer; empty
// when the answer holds none.
std::string ComputerNameOf(const NodeStatusAnswer &answer);

std::vector<std::uint8_t> BuildNodeStatusRequest(std::uint16_t id, const NetBiosName &name);

// The answer to request `id`, or nothing for anything else: another id, a negative or
// truncated answer, a record whose length or name count does not fit in the packet.
std::optional<NodeStatusAnswer> ParseNodeStatusResponse(std::span<const std::uint8_t> packet,
                                                        std::uint16_t id);

} // namespace vesk
