// NetBIOS name service packets: name encoding and bounded reading.
#include "NetBiosPacket.h"

#include <algorithm>

namespace vesk {

namespace {

std::uint8_t UpperAscii(char c)
{
    const auto byte = static_cast<std::uint8_t>(c);
    return (byte >= 'a' && byte <= 'z') ? static_cast<std::uint8_t>(byte - 'a' + 'A') : byte;
}

NetBiosName PaddedName(std::string_view name, std::uint8_t suffix)
{
    NetBiosName result;
    result.fill(' ');
    const std::size_t length = std::min(name.size(), NetBiosNameLength);
    for (std::size_t i = 0; i < length; ++i)
        result[i] = UpperAscii(name[i]);
    result[NetBiosNameLength] = suffix;
    return result;
}

} // namespace

NetBiosName AdapterStatusCallName(std::string_view name)
{
    return PaddedName(name, name.size() >= NetBiosNameLength ? ' ' : 0);
}

NetBiosName WildcardName()
{
    NetBiosName name{};
    name[0] = '*';
    return name;
}

NetBiosName QueryName(std::string_view name, std::uint8_t suffix)
{
    return PaddedName(name, suffix);
}

void AppendEncodedName(std::vector<std::uint8_t> &packet, const NetBiosName &name)
{
    packet.push_back(0x20);
    for (const std::uint8_t byte : name) {
        packet.push_back(static_cast<std::uint8_t>('A' + (byte >> 4)));
        packet.push_back(static_cast<std::uint8_t>('A' + (byte & 0xF)));
    }
    packet.push_back(0);
}

void AppendUint16(std::vector<std::uint8_t> &packet, std::uint16_t value)
{
    packet.push_back(static_cast<std::uint8_t>(value >> 8));
    packet.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

std::optional<std::uint8_t> PacketReader::readUint8()
{
    if (remaining() < 1)
        return std::nullopt;
    return bytes_[position_++];
}

std::optional<std::uint16_t> PacketReader::readUint16()
{
    if (remaining() < 2)
        return std::nullopt;
    const auto value = static_cast<std::uint16_t>((bytes_[position_] << 8) | bytes_[position_ + 1]);
    position_ += 2;
    return value;
}

std::optional<std::uint32_t> PacketReader::readUint32()
{
    const auto high = readUint16();
    const auto low = high ? readUint16() : std::nullopt;
    if (!low)
        return std::nullopt;
    return (std::uint32_t{*high} << 16) | *low;
}

std::optional<std::span<const std::uint8_t>> PacketReader::readBytes(std::size_t count)
{
    if (remaining() < count)
        return std::nullopt;
    const auto result = bytes_.subspan(position_, count);
    position_ += count;
    return result;
}

std::optional<NetBiosHeader> PacketReader::readHeader()
{
    NetBiosHeader header;
    std::uint16_t *const fields[] = {
        &header.id,          &header.flags,          &header.questionCount,
        &header.answerCount, &header.authorityCount, &header.additionalCount};
    for (std::uint16_t *field : fields) {
        const auto value = readUint16();
        if (!value)
            return std::nullopt;
        *field = *value;
    }
    return header;
}

std::optional<std::optional<NetBiosName>> PacketReader::readName()
{
    std::optional<NetBiosName> decoded;
    bool first = true;
    // A name fits in 255 bytes; more labels than that is a hostile packet.
    for (int labels = 0; labels < 128; ++labels) {
        const auto length = readUint8();
        if (!length)
            return std::nullopt;
        if (*length == 0)
            return decoded;
        if ((*length & 0xC0) == 0xC0) {
            // A pointer ends the name; where it points does not matter to us.
            if (!readUint8())
                return std::nullopt;
            return decoded;
        }
        if (*length > 63)
            return std::nullopt;
        const auto label = readBytes(*length);
        if (!label)
            return std::nullopt;
        if (first && label->size() == 32) {
            NetBiosName name;
            bool valid = true;
            for (std::size_t i = 0; i < name.size(); ++i) {
                const auto high = static_cast<std::uint8_t>((*label)[2 * i] - 'A');
                const auto low = static_cast<std::uint8_t>((*label)[2 * i + 1] - 'A');
                valid = valid && high < 16 && low < 16;
                name[i] = static_cast<std::uint8_t>((high << 4) | (low & 0xF));
            }
            if (valid)
                decoded = name;
        }
        first = false;
    }
    return std::nullopt;
}

bool PacketReader::skipQuestions(std::uint16_t count)
{
    for (std::uint16_t i = 0; i < count; ++i) {
        if (!readName() || !readUint32())
            return false;
    }
    return true;
}

} // namespace vesk
