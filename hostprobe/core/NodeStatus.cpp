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
    answer.nameFlags.reserve(*nameCount);
    for (unsigned i = 0; i < *nameCount; ++i) {
        const auto entry = record.readBytes(NameEntryLength);
        NetBiosName name;
        std::copy_n(entry->begin(), name.size(), name.begin());
        answer.names.push_back(name);
        answer.nameFlags.push_back(
            static_cast<std::uint16_t>(((*entry)[name.size()] << 8) | (*entry)[name.size() + 1]));
    }
    const auto unitId = record.readBytes(answer.unitId.size());
    std::copy(unitId->begin(), unitId->end(), answer.unitId.begin());
    return answer;
}

std::string ComputerNameOf(const NodeStatusAnswer &answer)
{
    for (std::size_t i = 0; i < answer.names.size(); ++i) {
        const NetBiosName &name = answer.names[i];
        if (name[NetBiosNameLength] != 0x00 || i >= answer.nameFlags.size() ||
            (answer.nameFlags[i] & NodeNameGroup) != 0)
            continue;
        std::string text(name.begin(), name.begin() + NetBiosNameLength);
        // Padding is spaces; a name cut short by a zero byte ends there.
        text.erase(std::min(text.find('\0'), text.size()));
        text.erase(text.find_last_not_of(' ') + 1);
        const bool printable = std::all_of(text.begin(), text.end(), [](char c) {
            return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
        });
        if (!text.empty() && text[0] != '*' && printable)
            return text;
    }
    return {};
}

} // namespace vesk
