// Test packets for the name service.
#include "TestPackets.h"

namespace vesk::test {

namespace {

void AppendHeader(std::vector<std::uint8_t> &packet, std::uint16_t id)
{
    AppendUint16(packet, id);
    AppendUint16(packet, 0x8400); // response, authoritative
    AppendUint16(packet, 0);
    AppendUint16(packet, 1);
    AppendUint16(packet, 0);
    AppendUint16(packet, 0);
}

} // namespace

std::vector<std::uint8_t> NodeStatusAnswerPacket(std::uint16_t id, const NetBiosName &asked,
                                                 const MacAddress &unitId, std::size_t names,
                                                 std::size_t statistics)
{
    std::vector<std::uint8_t> packet;
    AppendHeader(packet, id);
    AppendEncodedName(packet, asked);
    AppendUint16(packet, NetBiosTypeNbstat);
    AppendUint16(packet, NetBiosClassIn);
    AppendUint16(packet, 0);
    AppendUint16(packet, 0);
    AppendUint16(packet, static_cast<std::uint16_t>(1 + names * 18 + 6 + statistics));
    packet.push_back(static_cast<std::uint8_t>(names));
    for (std::size_t i = 0; i < names; ++i) {
        NetBiosName entry = asked;
        entry[15] = static_cast<std::uint8_t>(i == 0 ? 0x00 : 0x20);
        packet.insert(packet.end(), entry.begin(), entry.end());
        AppendUint16(packet, 0x0400); // active
    }
    packet.insert(packet.end(), unitId.begin(), unitId.end());
    packet.insert(packet.end(), statistics, 0);
    return packet;
}

std::vector<std::uint8_t> NameQueryAnswerPacket(std::uint16_t id, const NetBiosName &asked,
                                                const std::vector<std::uint32_t> &addresses)
{
    std::vector<std::uint8_t> packet;
    AppendHeader(packet, id);
    AppendEncodedName(packet, asked);
    AppendUint16(packet, NetBiosTypeNb);
    AppendUint16(packet, NetBiosClassIn);
    AppendUint16(packet, 0);
    AppendUint16(packet, 300);
    AppendUint16(packet, static_cast<std::uint16_t>(addresses.size() * 6));
    for (const std::uint32_t address : addresses) {
        AppendUint16(packet, 0);
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(&address);
        packet.insert(packet.end(), bytes, bytes + 4);
    }
    return packet;
}

void PutUint16(std::vector<std::uint8_t> &packet, std::size_t offset, std::uint16_t value)
{
    packet.at(offset) = static_cast<std::uint8_t>(value >> 8);
    packet.at(offset + 1) = static_cast<std::uint8_t>(value & 0xFF);
}

ReceivedRequest ReadRequest(std::span<const std::uint8_t> packet)
{
    ReceivedRequest request;
    PacketReader reader(packet);
    const auto header = reader.readHeader();
    const auto name = header ? reader.readName() : std::nullopt;
    const auto type = name ? reader.readUint16() : std::nullopt;
    if (!type || !*name || !reader.readUint16())
        return request;
    request.id = header->id;
    request.flags = header->flags;
    request.type = *type;
    request.name = **name;
    request.size = packet.size();
    return request;
}

std::string Printable(const NetBiosName &name)
{
    std::string text;
    for (const std::uint8_t byte : name) {
        if (byte >= 0x21 && byte < 0x7F)
            text += static_cast<char>(byte);
        else if (byte == ' ')
            text += '_';
        else
            text += "<" + std::to_string(byte) + ">";
    }
    return text;
}

} // namespace vesk::test
