// MAC of a computer by its NetBIOS name.
#include "MacProbe.h"

#include "NetBiosExchange.h"

#include <algorithm>
#include <cstdio>

namespace vesk {

namespace {

bool Usable(const MacAddress &mac)
{
    return std::any_of(mac.begin(), mac.end(), [](std::uint8_t b) { return b != 0; });
}

struct NodeAnswer
{
    std::string mac;
    std::string computerName; // from the answer's names; empty when none
};

// One node status exchange: the MAC and the computer name it tells.
NodeAnswer NodeAt(std::string_view name, std::uint32_t address, const ProbeSettings &settings,
                  ProbeClock::time_point deadline)
{
    const auto answer = AskNodeStatus(address, settings.port, NodeStatusCallName(name),
                                      {deadline, settings.resendInterval});
    NodeAnswer node;
    if (answer)
        node.computerName = ComputerNameOf(*answer);
    if (answer && Usable(answer->unitId))
        node.mac = MacText(answer->unitId);
    else if (const auto neighbour = NeighbourMac(address, settings.neighbourTablePath))
        node.mac = MacText(*neighbour);
    else if (answer)
        node.mac = MacText(answer->unitId);
    return node;
}

std::string MacAt(std::string_view name, std::uint32_t address, const ProbeSettings &settings,
                  ProbeClock::time_point deadline)
{
    return NodeAt(name, address, settings, deadline).mac;
}

void UpperCase(std::string &text)
{
    for (char &c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
}

} // namespace

NetBiosName NodeStatusCallName(std::string_view name)
{
    return IsIpv4Literal(std::string(name).c_str()) ? WildcardName() : AdapterStatusCallName(name);
}

std::string MacText(const MacAddress &mac)
{
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

namespace {

// The resolver's answer, else a name query's. `start` is when the NetBIOS time bound began:
// the system resolver keeps its own time-outs.
std::optional<std::uint32_t> AddressOf(std::string_view name, const ProbeSettings &settings,
                                       ProbeClock::time_point &start)
{
    auto address = settings.resolve(std::string(name).c_str());
    start = ProbeClock::now();
    if (address)
        return address;
    const auto broadcasts = settings.broadcastAddresses.empty() ? LocalBroadcastAddresses()
                                                                : settings.broadcastAddresses;
    const auto queryDeadline = start + std::min(settings.nameQueryTime, settings.totalTime);
    return BroadcastNameQuery(broadcasts, settings.port, QueryName(name, 0x00),
                              {queryDeadline, settings.resendInterval});
}

} // namespace

std::optional<std::uint32_t> Ipv4OfComputer(std::string_view name, const ProbeSettings &settings)
{
    if (name.empty())
        return std::nullopt;
    ProbeClock::time_point start;
    return AddressOf(name, settings, start);
}

std::string MacOfComputer(std::string_view name, const ProbeSettings &settings)
{
    if (name.empty())
        return {};
    ProbeClock::time_point start;
    const auto address = AddressOf(name, settings, start);
    if (!address)
        return {};
    return MacAt(name, *address, settings, start + settings.totalTime);
}

std::string MacOfAddress(std::string_view name, std::uint32_t address,
                         const ProbeSettings &settings)
{
    return MacAt(name, address, settings, ProbeClock::now() + settings.totalTime);
}

ComputerAnswer ComputerOfHost(std::string_view name, const ProbeSettings &settings)
{
    ComputerAnswer computer;
    const auto address = ParseHostAddress(name);
    if (!address) {
        computer.name = std::string(name);
        UpperCase(computer.name);
        computer.mac = MacOfComputer(computer.name, settings);
        if (const auto ipv4 = Ipv4OfComputer(computer.name, settings))
            computer.ip = Ipv4Text(*ipv4);
        return computer;
    }
    computer.ip = address->text;
    std::string netbiosName;
    if (address->ipv6) {
        // NetBIOS has no IPv6 transport: the neighbour table alone knows the MAC.
        if (const auto mac = settings.ipv6Neighbour(address->ipv6Bytes, address->scope))
            computer.mac = MacText(*mac);
    } else {
        NodeAnswer node =
            NodeAt(address->text, address->ipv4, settings, ProbeClock::now() + settings.totalTime);
        computer.mac = std::move(node.mac);
        netbiosName = std::move(node.computerName);
    }
    if (!netbiosName.empty())
        computer.name = std::move(netbiosName);
    else if (auto reverse = settings.reverseName(*address)) {
        computer.name = std::move(*reverse);
        UpperCase(computer.name);
    } else
        computer.name = address->text;
    return computer;
}

} // namespace vesk
