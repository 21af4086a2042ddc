// NetBIOS node status request and answer.
#include "NodeStatus.h"

#include <algorithm>

namespace vesk {

namespace {

constexpr std::size_t NameEntryLength = 18; // 16-byte name and 2 bytes of flags

} // namespace

std::vector<std::uint8_t> BuildNodeStatusRequest(std::uint16_t id, const NetBiosName &name)
{
    std::vector<std::uint8_t> packet;
    packet.reserve(50);
    AppendUint16(packet, id);
    AppendUint16(packet, 0); // flags: a unicast query
    AppendUint16(packet, 1); // one question
    AppendUint16(packet, 0);
    AppendUint16(packet, 0);
    AppendUint16(packet, 0);
    AppendEncodedName(packet, name);
    AppendUint16(packet, NetBiosTypeNbstat);
    AppendUint16(packet, NetBiosClassIn);
    return packet;
}

std::optional<NodeStatusAnswer> ParseNodeStatusResponse(std::span<const std::uint8_t> packet,
                                                        std::uint16_t id)
{
    PacketReader reader(packet);
    const auto header = reader.readHeader();
    if (!header || header->id != id || !header->isResponse() || header->opcode() != 0 ||
        header->rcode() != 0 || header->answerCount == 0)
        return std::nullopt;
    if (!reader.skipQuestions(header->questionCount) || !reader.readName())
        return std::nullopt;
    const auto type = reader.readUint16();
    const auto recordClass = reader.readUint16();
    const auto ttl = reader.readUint32();
    const auto dataLength = reader.readUint16();
    if (!dataLength || *type != NetBiosTypeNbstat || *recordClass != NetBiosClassIn)
        return std::nullopt;
    (void)ttl;
    const auto data = reader.readBytes(*dataLength);
    if (!data)
        return std::nullopt;

    // Everything below is read from the record's own data, whose length the packet holds.
    PacketReader record(*data);
    const auto nameCount = record.readUint8();
    if (!nameCount || record.remaining() < *nameCount * NameEntryLength + 6)
        return std::nullopt;
    NodeStatusAnswer answer;
    answer.names.reserve(*nameCount);
    for (unsigned i = 0; i < *nameCount; ++i) {
        const auto entry = record.readBytes(NameEntryLength);
        NetBiosName name;
        std::copy_n(entry->begin(), name.size(), name.begin());
        answer.names.push_back(name);
    }
    const auto unitId = record.readBytes(answer.unitId.size());
    std::copy(unitId->begin(), unitId->end(), answer.unitId.begin());
    return answer;
}

} // namespace vesk
