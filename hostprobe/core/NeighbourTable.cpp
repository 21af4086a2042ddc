// Neighbour table lookup.
#include "NeighbourTable.h"

#include "HostResolver.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <fstream>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vesk {

namespace {

constexpr unsigned long CompleteFlag = 0x2;

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t position = 0;
    while (position < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t", position);
        if (start == std::string_view::npos)
            break;
        const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
        fields.push_back(line.substr(start, end - start));
        position = end;
    }
    return fields;
}

std::optional<unsigned long> HexNumber(std::string_view text)
{
    if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// "aa:bb:cc:dd:ee:ff", exactly.
std::optional<MacAddress> ParseMac(std::string_view text)
{
    MacAddress mac;
    if (text.size() != 17)
        return std::nullopt;
    for (std::size_t i = 0; i < mac.size(); ++i) {
        if (i > 0 && text[3 * i - 1] != ':')
            return std::nullopt;
        const auto byte = HexNumber(text.substr(3 * i, 2));
        if (!byte)
            return std::nullopt;
        mac[i] = static_cast<std::uint8_t>(*byte);
    }
    return mac;
}

} // namespace

std::optional<MacAddress> ParseNeighbourTable(std::string_view table, std::string_view ipText)
{
    bool header = true;
    while (!table.empty()) {
        const std::size_t end = std::min(table.find('\n'), table.size());
        const std::string_view line = table.substr(0, end);
        table.remove_prefix(std::min(end + 1, table.size()));
        if (std::exchange(header, false))
            continue;
        const auto fields = Fields(line);
        if (fields.size() < 4 || fields[0] != ipText)
            continue;
        const auto flags = HexNumber(fields[2]);
        if (!flags || (*flags & CompleteFlag) == 0)
            continue;
        const auto mac = ParseMac(fields[3]);
        if (mac && std::any_of(mac->begin(), mac->end(), [](std::uint8_t b) { return b != 0; }))
            return mac;
    }
    return std::nullopt;
}

std::optional<MacAddress> NeighbourMac(std::uint32_t address, const std::string &tablePath)
{
    std::ifstream file(tablePath);
    if (!file)
        return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return ParseNeighbourTable(text.str(), Ipv4Text(address));
}

namespace {

// Closes the descriptor on every way out.
struct Descriptor
{
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

constexpr unsigned UnusableStates = NUD_INCOMPLETE | NUD_FAILED;

// The MAC of a neighbour message for `address`, when it is one and usable.
std::optional<MacAddress> NeighbourOf(const nlmsghdr *message, const Ipv6Address &address,
                                      unsigned ifIndex)
{
    if (message->nlmsg_len < NLMSG_LENGTH(sizeof(ndmsg)))
        return std::nullopt;
    const auto *neighbour = static_cast<const ndmsg *>(NLMSG_DATA(message));
    if (neighbour->ndm_family != AF_INET6 || neighbour->ndm_state == NUD_NONE ||
        (neighbour->ndm_state & UnusableStates) != 0 ||
        (ifIndex != 0 && static_cast<unsigned>(neighbour->ndm_ifindex) != ifIndex))
        return std::nullopt;
    int length = static_cast<int>(message->nlmsg_len - NLMSG_LENGTH(sizeof(ndmsg)));
    bool matches = false;
    std::optional<MacAddress> mac;
    for (auto *attribute = reinterpret_cast<const rtattr *>(
             reinterpret_cast<const char *>(neighbour) + NLMSG_ALIGN(sizeof(ndmsg)));
         RTA_OK(attribute, length); attribute = RTA_NEXT(attribute, length)) {
        const auto size = static_cast<std::size_t>(RTA_PAYLOAD(attribute));
        if (attribute->rta_type == NDA_DST && size == address.size())
            matches = std::memcmp(RTA_DATA(attribute), address.data(), address.size()) == 0;
        else if (attribute->rta_type == NDA_LLADDR && size == MacAddress{}.size()) {
            MacAddress bytes;
            std::memcpy(bytes.data(), RTA_DATA(attribute), bytes.size());
            if (std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0; }))
                mac = bytes;
        }
    }
    return matches ? mac : std::nullopt;
}

} // namespace

std::optional<MacAddress> Ipv6NeighbourMac(const Ipv6Address &address, unsigned ifIndex)
{
    const Descriptor socket{::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)};
    if (socket.fd < 0)
        return std::nullopt;
    // The kernel answers at once; the bound only guards against a dump that never ends.
    const timeval bound{1, 0};
    ::setsockopt(socket.fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    struct
    {
        nlmsghdr header;
        ndmsg neighbour;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.neighbour.ndm_family = AF_INET6;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(socket.fd, &request, request.header.nlmsg_len, 0,
                 reinterpret_cast<const sockaddr *>(&kernel), sizeof kernel) < 0)
        return std::nullopt;

    std::optional<MacAddress> found;
    alignas(nlmsghdr) char buffer[16384];
    for (;;) {
        const ssize_t received = ::recv(socket.fd, buffer, sizeof buffer, 0);
        if (received <= 0)
            return found;
        auto length = static_cast<unsigned>(received);
        for (auto *message = reinterpret_cast<const nlmsghdr *>(buffer); NLMSG_OK(message, length);
             message = NLMSG_NEXT(message, length)) {
            if (message->nlmsg_type == NLMSG_DONE || message->nlmsg_type == NLMSG_ERROR)
                return found;
            if (message->nlmsg_type == RTM_NEWNEIGH && !found)
                found = NeighbourOf(message, address, ifIndex);
        }
    }
}

} // namespace vesk
