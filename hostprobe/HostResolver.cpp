// System resolver and interface enumeration.
#include "HostResolver.h"

#include <algorithm>
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>

namespace vesk {

std::optional<std::uint32_t> ResolveIpv4(const char *name)
{
    if (name == nullptr || *name == '\0')
        return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM; // one entry per address instead of one per socket type
    addrinfo *list = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &list) != 0 || list == nullptr)
        return std::nullopt;
    std::optional<std::uint32_t> address;
    for (const addrinfo *entry = list; entry != nullptr && !address; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addr != nullptr &&
            entry->ai_addrlen >= sizeof(sockaddr_in))
            address = reinterpret_cast<const sockaddr_in *>(entry->ai_addr)->sin_addr.s_addr;
    }
    freeaddrinfo(list);
    return address;
}

bool IsIpv4Literal(const char *name)
{
    in_addr address{};
    return name != nullptr && inet_aton(name, &address) != 0;
}

std::string Ipv4Text(std::uint32_t address)
{
    in_addr in{};
    in.s_addr = address;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &in, text, sizeof text);
    return text;
}

std::vector<std::uint32_t> LocalBroadcastAddresses()
{
    std::vector<std::uint32_t> addresses;
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return addresses;
    for (const ifaddrs *entry = list; entry != nullptr; entry = entry->ifa_next) {
        const unsigned flags = entry->ifa_flags;
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
            (flags & IFF_UP) == 0 || (flags & IFF_BROADCAST) == 0 || (flags & IFF_LOOPBACK) != 0 ||
            entry->ifa_broadaddr == nullptr || entry->ifa_broadaddr->sa_family != AF_INET)
            continue;
        const std::uint32_t broadcast =
            reinterpret_cast<const sockaddr_in *>(entry->ifa_broadaddr)->sin_addr.s_addr;
        if (broadcast != 0 &&
            std::find(addresses.begin(), addresses.end(), broadcast) == addresses.end())
            addresses.push_back(broadcast);
    }
    freeifaddrs(list);
    return addresses;
}

} // namespace vesk
