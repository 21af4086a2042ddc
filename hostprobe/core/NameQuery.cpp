// NetBIOS name query request and answer.
#include "NameQuery.h"

#include <arpa/inet.h>

namespace vesk {

std::vector<std::uint8_t> BuildNameQueryRequest(std::uint16_t id, const NetBiosName &name,
                                                bool broadcast)
{
    std::vector<std::uint8_t> packet;
    packet.reserve(50);
    AppendUint16(packet, id);
    AppendUint16(packet, static_cast<std::uint16_t>(NetBiosFlagRecursionDesired |
                                                    (broadcast ? NetBiosFlagBroadcast : 0)));
    AppendUint16(packet, 1);
    AppendUint16(packet, 0);
    AppendUint16(packet, 0);
    AppendUint16(packet, 0);
    AppendEncodedName(packet, name);
    AppendUint16(packet, NetBiosTypeNb);
    AppendUint16(packet, NetBiosClassIn);
    return packet;
}

std::optional<std::uint32_t> ParseNameQueryResponse(std::span<const std::uint8_t> packet,
                                                    std::uint16_t id, const NetBiosName &name)
{
    PacketReader reader(packet);
    const auto header = reader.readHeader();
    if (!header || header->id != id || !header->isResponse() || header->opcode() != 0 ||
        header->rcode() != 0 || header->answerCount == 0 ||
        !reader.skipQuestions(header->questionCount))
        return std::nullopt;
    const auto answerName = reader.readName();
    // An answer that spells out another name is not ours.
    if (!answerName || (*answerName && **answerName != name))
        return std::nullopt;
    const auto type = reader.readUint16();
    const auto recordClass = reader.readUint16();
    const auto ttl = reader.readUint32();
    const auto dataLength = reader.readUint16();
    if (!dataLength || *type != NetBiosTypeNb || *recordClass != NetBiosClassIn)
        return std::nullopt;
    (void)ttl;
    const auto data = reader.readBytes(*dataLength);
    // Each address entry is 2 bytes of flags and 4 of address.
    if (!data || data->size() < 6)
        return std::nullopt;
    PacketReader record(*data);
    record.readUint16();
    const auto address = record.readUint32();
    if (!address)
        return std::nullopt;
    return htonl(*address);
}

} // namespace vesk
