// Neighbour table lookup.
#include "NeighbourTable.h"

#include "HostResolver.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
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

} // namespace vesk
