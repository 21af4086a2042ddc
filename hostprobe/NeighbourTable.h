// The kernel's neighbour table (/proc/net/arp): the MAC of a host on the same link.
#pragma once

#include "NodeStatus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vesk {

constexpr std::string_view DefaultNeighbourTablePath = "/proc/net/arp";

// The MAC of the first complete entry (flag 0x2) for `ipText` in a table in the
// /proc/net/arp layout. Incomplete entries show zeros and are skipped, as are lines
// that do not parse.
std::optional<MacAddress> ParseNeighbourTable(std::string_view table, std::string_view ipText);

// Reads the table file and looks up the address; nothing when the file cannot be read.
std::optional<MacAddress> NeighbourMac(std::uint32_t address, const std::string &tablePath);

} // namespace vesk
