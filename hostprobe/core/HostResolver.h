// IPv4 name resolution through the system resolver, and the local broadcast addresses.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// The first IPv4 address (network byte order) that getaddrinfo gives for `name`, or
// nothing. Names outside the hosts file go to the system's resolver, which may take its
// own time-outs.
std::optional<std::uint32_t> ResolveIpv4(const char *name);

// Whether `name` is an IPv4 address in numbers (any form the resolver reads as one,
// such as 10.1.2.3 or 10.1.000.3).
bool IsIpv4Literal(const char *name);

// An address as a spooler names a computer by it.
struct HostAddress
{
    bool ipv6 = false;
    std::uint32_t ipv4 = 0; // network byte order, when !ipv6
    std::array<std::uint8_t, 16> ipv6Bytes{};
    unsigned scope = 0; // interface of a link-local IPv6 address, 0 when none
    std::string text;   // dotted decimal, or IPv6 text as inet_ntop writes it, without a zone
};

// The address `name` spells in numbers, or nothing for a name: dotted decimal IPv4, or IPv6 as
// such or as CUPS writes a client's address ("[v1.fd00::12]", a zone after '+' or '%'). An
// IPv4-mapped IPv6 address (a client of a dual-stack socket) is its IPv4 address.
std::optional<HostAddress> ParseHostAddress(std::string_view name);

// The name the system resolver gives for the address (reverse look-up), or nothing.
std::optional<std::string> ReverseName(const HostAddress &address);

// Dotted decimal text of an address in network byte order.
std::string Ipv4Text(std::uint32_t address);

// The IPv4 broadcast address of every interface that is up and can broadcast
// (network byte order, without repeats); loopback is never among them.
std::vector<std::uint32_t> LocalBroadcastAddresses();

} // namespace vesk
