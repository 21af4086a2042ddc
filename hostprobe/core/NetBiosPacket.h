// NetBIOS name service packets (RFC 1001/1002): names, header and a bounded reader.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace vesk {

using NetBiosName = std::array<std::uint8_t, 16>;

constexpr std::size_t NetBiosNameLength = 15;
constexpr std::uint16_t NetBiosPort = 137;
constexpr std::uint16_t NetBiosTypeNb = 0x0020;
constexpr std::uint16_t NetBiosTypeNbstat = 0x0021;
constexpr std::uint16_t NetBiosClassIn = 0x0001;
constexpr std::uint16_t NetBiosFlagResponse = 0x8000;
constexpr std::uint16_t NetBiosFlagRecursionDesired = 0x0100;
constexpr std::uint16_t NetBiosFlagBroadcast = 0x0010;

// The name an adapter status request carries: upper case, padded with spaces to 15
// bytes, then a 0 byte; a name of exactly 15 characters gets a space as its 16th byte
// instead, as the adapter status call always did. A NetBIOS name holds at most 15
// characters, so a longer name is cut to its first 15 (the NetBIOS name a computer
// derives from a longer host name) and then treated as a 15-character name.
NetBiosName AdapterStatusCallName(std::string_view name);

// '*' and 15 zero bytes: whatever names the computer holds.
NetBiosName WildcardName();

// The name a name query asks for: the first 15 characters, upper case, padded with
// spaces, and the given suffix byte (0x00: the workstation name every computer holds).
NetBiosName QueryName(std::string_view name, std::uint8_t suffix);

// First-level encoding: length byte 0x20, each byte as two letters 'A'+nibble, and the
// empty root label.
void AppendEncodedName(std::vector<std::uint8_t> &packet, const NetBiosName &name);

void AppendUint16(std::vector<std::uint8_t> &packet, std::uint16_t value);

struct NetBiosHeader
{
    std::uint16_t id = 0;
    std::uint16_t flags = 0;
    std::uint16_t questionCount = 0;
    std::uint16_t answerCount = 0;
    std::uint16_t authorityCount = 0;
    std::uint16_t additionalCount = 0;

    bool isResponse() const { return (flags & NetBiosFlagResponse) != 0; }
    unsigned opcode() const { return (flags >> 11) & 0xF; }
    unsigned rcode() const { return flags & 0xF; }
};

// Reads a packet front to back; every read checks the remaining length first, so a
// short or lying packet ends in a failed read, never in a read past its end.
class PacketReader
{
public:
    explicit PacketReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::optional<std::uint8_t> readUint8();
    std::optional<std::uint16_t> readUint16();
    std::optional<std::uint32_t> readUint32();
    std::optional<std::span<const std::uint8_t>> readBytes(std::size_t count);
    std::optional<NetBiosHeader> readHeader();

    // Reads a name (labels, or a compression pointer that ends it) and decodes it when it
    // is a first-level encoded 16-byte name; a malformed name fails the read.
    std::optional<std::optional<NetBiosName>> readName();

    // Skips question records (name, type, class) that a responder may echo.
    bool skipQuestions(std::uint16_t count);

    std::size_t remaining() const { return bytes_.size() - position_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

} // namespace vesk
