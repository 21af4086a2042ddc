// The kernel's neighbour tables (/proc/net/arp, and IPv6's over netlink): the MAC of a host on the
// same link.
#pragma once

#include "NodeStatus.h"

#include <array>
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

using Ipv6Address = std::array<std::uint8_t, 16>;

// The MAC the kernel's IPv6 neighbour table holds for `address` on the interface `ifIndex` (0:
// any), asked over netlink (the table has no file under /proc). Entries that are incomplete or
// failed are skipped; nothing when the table has no usable entry or cannot be read.
std::optional<MacAddress> Ipv6NeighbourMac(const Ipv6Address &address, unsigned ifIndex = 0);

} // namespace vesk
