// MAC of a computer by its NetBIOS name: resolve, node status, neighbour table.
#pragma once

#include "HostResolver.h"
#include "NeighbourTable.h"
#include "NetBiosPacket.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

struct ProbeSettings
{
    // Turns a name into an address before any name query is sent.
    std::function<std::optional<std::uint32_t>(const char *)> resolve = ResolveIpv4;
    std::uint16_t port = NetBiosPort;
    std::string neighbourTablePath{DefaultNeighbourTablePath};
    // Where a name query is broadcast; empty means every local subnet.
    std::vector<std::uint32_t> broadcastAddresses;
    // A silent computer costs at most `totalTime`; a name query may use the first
    // `nameQueryTime` of it.
    std::chrono::milliseconds totalTime{1500};
    std::chrono::milliseconds nameQueryTime{700};
    std::chrono::milliseconds resendInterval{500};
    // The name behind an address, and the IPv6 neighbour table.
    std::function<std::optional<std::string>(const HostAddress &)> reverseName = ReverseName;
    std::function<std::optional<MacAddress>(const Ipv6Address &, unsigned)> ipv6Neighbour =
        [](const Ipv6Address &address, unsigned ifIndex) {
            return Ipv6NeighbourMac(address, ifIndex);
        };
};

// The name a node status request for `name` carries: the adapter status call name, or the
// wildcard when `name` is an address in numbers (the spooler names many computers by
// address), since a computer answers only for names it holds.
NetBiosName NodeStatusCallName(std::string_view name);

// "XX-XX-XX-XX-XX-XX" in upper-case hexadecimal.
std::string MacText(const MacAddress &mac);

// The MAC text of the computer `name`, or the empty text. The address comes from the
// system resolver, else from a name query broadcast. Node status answers that carry no
// address (Samba always sends zeros), and computers that do not answer, are looked up in
// the neighbour table; where it has no complete entry either, the zeros of an answer are
// returned as they came, and no answer gives the empty text.
std::string MacOfComputer(std::string_view name, const ProbeSettings &settings = {});

// The IPv4 address of the computer `name` (network byte order): the system resolver's answer,
// else the answer to a name query broadcast on the local subnets within `nameQueryTime`.
// Desktops are often known by their NetBIOS names alone, with no entry in DNS.
std::optional<std::uint32_t> Ipv4OfComputer(std::string_view name,
                                            const ProbeSettings &settings = {});

// The submitting computer of a job, as the spooler names it (the text after its backslashes).
struct ComputerAnswer
{
    std::string name; // the computer's name, upper case, or the address
    std::string mac;  // as MacOfComputer, or empty
    std::string ip;   // the address in numbers, or empty
};

// A name: the name upper-cased, the MAC as MacOfComputer and the IPv4 address as
// Ipv4OfComputer. An address (CUPS names network clients by address): ip is the address; an IPv4
// address is asked for its node status once, which gives the MAC (as MacOfComputer) and the
// NetBIOS computer name; an IPv6 address has its MAC from the IPv6 neighbour table. The name is
// then the NetBIOS computer name, else the reverse DNS name (upper case), else the address, as the
// Windows spooler names a client.
ComputerAnswer ComputerOfHost(std::string_view name, const ProbeSettings &settings = {});

// As MacOfComputer for a computer whose address is already known.
std::string MacOfAddress(std::string_view name, std::uint32_t address,
                         const ProbeSettings &settings = {});

} // namespace vesk
