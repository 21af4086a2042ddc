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

std::string MacOfComputer(std::string_view name, const ProbeSettings &settings)
{
    if (name.empty())
        return {};
    auto address = settings.resolve(std::string(name).c_str());
    // The time bound covers the NetBIOS exchanges; the system resolver keeps its own.
    const auto start = ProbeClock::now();
    if (!address) {
        const auto broadcasts = settings.broadcastAddresses.empty() ? LocalBroadcastAddresses()
                                                                    : settings.broadcastAddresses;
        const auto queryDeadline = start + std::min(settings.nameQueryTime, settings.totalTime);
        address = BroadcastNameQuery(broadcasts, settings.port, QueryName(name, 0x00),
                                     {queryDeadline, settings.resendInterval});
    }
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
