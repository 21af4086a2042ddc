// System resolver and interface enumeration.
#include "HostResolver.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
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

std::optional<HostAddress> ParseHostAddress(std::string_view name)
{
    if (name.starts_with("[v1.") && name.ends_with("]"))
        name = name.substr(4, name.size() - 5);
    else if (name.starts_with("[") && name.ends_with("]"))
        name = name.substr(1, name.size() - 2);
    std::string text(name);
    HostAddress address;
    in_addr v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1) {
        address.ipv4 = v4.s_addr;
        address.text = Ipv4Text(address.ipv4);
        return address;
    }
    std::string zone;
    if (const auto at = text.find_first_of("+%"); at != std::string::npos) {
        zone = text.substr(at + 1);
        text.erase(at);
    }
    in6_addr v6{};
    if (text.find(':') == std::string::npos || inet_pton(AF_INET6, text.c_str(), &v6) != 1)
        return std::nullopt;
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
        std::memcpy(&address.ipv4, v6.s6_addr + 12, sizeof address.ipv4);
        address.text = Ipv4Text(address.ipv4);
        return address;
    }
    address.ipv6 = true;
    std::memcpy(address.ipv6Bytes.data(), v6.s6_addr, address.ipv6Bytes.size());
    if (!zone.empty())
        address.scope = if_nametoindex(zone.c_str());
    char buffer[INET6_ADDRSTRLEN] = {};
    inet_ntop(AF_INET6, &v6, buffer, sizeof buffer);
    address.text = buffer;
    return address;
}

std::optional<std::string> ReverseName(const HostAddress &address)
{
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (address.ipv6) {
        auto *in6 = reinterpret_cast<sockaddr_in6 *>(&storage);
        in6->sin6_family = AF_INET6;
        std::memcpy(in6->sin6_addr.s6_addr, address.ipv6Bytes.data(), address.ipv6Bytes.size());
        in6->sin6_scope_id = address.scope;
        length = sizeof *in6;
    } else {
        auto *in = reinterpret_cast<sockaddr_in *>(&storage);
        in->sin_family = AF_INET;
        in->sin_addr.s_addr = address.ipv4;
        length = sizeof *in;
    }
    char host[NI_MAXHOST] = {};
    if (getnameinfo(reinterpret_cast<const sockaddr *>(&storage), length, host, sizeof host,
                    nullptr, 0, NI_NAMEREQD) != 0 ||
        host[0] == '\0')
        return std::nullopt;
    return std::string(host);
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
