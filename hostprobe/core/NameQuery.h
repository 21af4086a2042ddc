// NetBIOS name query: the IPv4 address of a computer by name, asked by broadcast.
#pragma once

#include "NetBiosPacket.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vesk {

std::vector<std::uint8_t> BuildNameQueryRequest(std::uint16_t id, const NetBiosName &name,
                                                bool broadcast);

// The first address of a positive answer to request `id` for `name` (network byte
// order), or nothing for a negative, foreign or malformed answer.
std::optional<std::uint32_t> ParseNameQueryResponse(std::span<const std::uint8_t> packet,
                                                    std::uint16_t id, const NetBiosName &name);

} // namespace vesk
