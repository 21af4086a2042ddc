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

std::string MacAt(std::string_view name, std::uint32_t address, const ProbeSettings &settings,
                  ProbeClock::time_point deadline)
{
    const auto answer = AskNodeStatus(address, settings.port, NodeStatusCallName(name),
                                      {deadline, settings.resendInterval});
    if (answer && Usable(answer->unitId))
        return MacText(answer->unitId);
    if (const auto neighbour = NeighbourMac(address, settings.neighbourTablePath))
        return MacText(*neighbour);
    return answer ? MacText(answer->unitId) : std::string();
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

} // namespace vesk
