// IPv4 name resolution through the system resolver, and the local broadcast addresses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesk {

// The first IPv4 address (network byte order) that getaddrinfo gives for `name`, or
// nothing. Names outside the hosts file go to the system's resolver, which may take its
// own time-outs.
std::optional<std::uint32_t> ResolveIpv4(const char *name);

// Whether `name` is an IPv4 address in numbers (any form the resolver reads as one,
// such as 10.1.2.3 or 10.1.000.3).
bool IsIpv4Literal(const char *name);

// Dotted decimal text of an address in network byte order.
std::string Ipv4Text(std::uint32_t address);

// The IPv4 broadcast address of every interface that is up and can broadcast
// (network byte order, without repeats); loopback is never among them.
std::vector<std::uint32_t> LocalBroadcastAddresses();

} // namespace vesk
