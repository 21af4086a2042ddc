// Request encoding and answer parsing of the name service, including hostile answers.
#include "MacProbe.h"
#include "NameQuery.h"
#include "NodeStatus.h"
#include "TestPackets.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

using namespace vesk;
using namespace vesk::test;

namespace {

NetBiosName Bytes(const std::string &sixteen)
{
    NetBiosName name{};
    std::copy_n(sixteen.begin(), name.size(), name.begin());
    return name;
}

const MacAddress SomeMac{0x00, 0x0C, 0x29, 0xAB, 0xCD, 0x0E};

} // namespace

TEST(NetBiosNames, CallNameIsUpperCasedAndPaddedWithSpacesThenZero)
{
    EXPECT_EQ(AdapterStatusCallName("pc-one"), Bytes(std::string("PC-ONE         ") + '\0'));
    EXPECT_EQ(AdapterStatusCallName("Caf\xe9"), Bytes(std::string("CAF\xe9           ") + '\0'));
}

TEST(NetBiosNames, FifteenCharacterNameEndsInSpaceAndLongerNamesAreCut)
{
    EXPECT_EQ(AdapterStatusCallName("abcdefghijklmno"), Bytes("ABCDEFGHIJKLMNO "));
    EXPECT_EQ(AdapterStatusCallName("abcdefghijklmnopqrs"), Bytes("ABCDEFGHIJKLMNO "));
    EXPECT_EQ(QueryName("abcdefghijklmnopqrs", 0), Bytes(std::string("ABCDEFGHIJKLMNO") + '\0'));
    EXPECT_EQ(QueryName("pc", 0x20), Bytes("PC              "));
}

TEST(NetBiosNames, ComputerNamedByAddressIsAskedWithTheWildcard)
{
    NetBiosName wildcard{};
    wildcard[0] = '*';
    EXPECT_EQ(WildcardName(), wildcard);
    EXPECT_EQ(NodeStatusCallName("10.1.2.3"), wildcard);
    EXPECT_EQ(NodeStatusCallName("10.1.000.3"), wildcard);
    EXPECT_EQ(NodeStatusCallName("10.1.2.3.4"), AdapterStatusCallName("10.1.2.3.4"));
    EXPECT_EQ(NodeStatusCallName("pc-10"), AdapterStatusCallName("PC-10"));
}

TEST(NetBiosRequests, NodeStatusRequestLayout)
{
    const NetBiosName wildcard = WildcardName();
    const auto packet = BuildNodeStatusRequest(0xBEEF, wildcard);
    const std::vector<std::uint8_t> header{0xBE, 0xEF, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(packet.size(), 50u);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), packet.begin()));
    EXPECT_EQ(packet[12], 0x20);
    // '*' is 0x2A: "CK"; each zero byte is "AA"
    EXPECT_EQ(std::string(packet.begin() + 13, packet.begin() + 45), "CK" + std::string(30, 'A'));
    EXPECT_EQ(packet[45], 0);
    EXPECT_EQ(std::vector<std::uint8_t>(packet.begin() + 46, packet.end()),
              (std::vector<std::uint8_t>{0x00, 0x21, 0x00, 0x01}));

    const auto read = ReadRequest(packet);
    EXPECT_EQ(read.id, 0xBEEF);
    EXPECT_EQ(read.name, wildcard);
}

TEST(NetBiosRequests, NameQueryIsBroadcastWithRecursionDesired)
{
    const auto packet = BuildNameQueryRequest(7, QueryName("pc", 0), true);
    const auto read = ReadRequest(packet);
    EXPECT_EQ(read.flags, 0x0110);
    EXPECT_EQ(read.type, 0x20);
    EXPECT_EQ(read.name, QueryName("PC", 0));
}

TEST(NodeStatusAnswers, ReadsNamesAndUnitIdAndFormatsUpperCaseHex)
{
    const auto name = AdapterStatusCallName("PC-ONE");
    const auto answer = ParseNodeStatusResponse(NodeStatusAnswerPacket(42, name, SomeMac), 42);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->unitId, SomeMac);
    ASSERT_EQ(answer->names.size(), 2u);
    EXPECT_EQ(answer->names[0], name);
    EXPECT_EQ(MacText(answer->unitId), "00-0C-29-AB-CD-0E");
    EXPECT_EQ(MacText({0xFF, 0xEE, 0x0A, 0x0B, 0x0C, 0x0D}), "FF-EE-0A-0B-0C-0D");

    // No names at all and no statistics still carries a unit id.
    EXPECT_TRUE(ParseNodeStatusResponse(NodeStatusAnswerPacket(1, name, SomeMac, 0, 0), 1));
}

TEST(NodeStatusAnswers, AnswerWithNamePointerAndEchoedQuestionIsRead)
{
    const auto name = AdapterStatusCallName("PC-ONE");
    auto packet = NodeStatusAnswerPacket(5, name, SomeMac);
    // Same answer, the name replaced by a compression pointer.
    std::vector<std::uint8_t> pointer(packet.begin(), packet.begin() + 12);
    pointer.push_back(0xC0);
    pointer.push_back(0x0C);
    pointer.insert(pointer.end(), packet.begin() + AnswerTypeOffset, packet.end());
    EXPECT_TRUE(ParseNodeStatusResponse(pointer, 5));

    // An echoed question before the answer.
    auto echoed = BuildNodeStatusRequest(5, name);
    echoed[2] = 0x84;
    echoed[7] = 1; // one answer
    echoed.insert(echoed.end(), packet.begin() + 12, packet.end());
    const auto answer = ParseNodeStatusResponse(echoed, 5);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->unitId, SomeMac);
}

TEST(NodeStatusAnswers, EveryTruncationIsRejected)
{
    const auto packet = NodeStatusAnswerPacket(9, AdapterStatusCallName("X"), SomeMac, 3, 0);
    for (std::size_t length = 0; length < packet.size(); ++length) {
        // An exact-size copy, so a read past the end would leave the buffer.
        const std::vector<std::uint8_t> prefix(packet.begin(), packet.begin() + length);
        EXPECT_FALSE(ParseNodeStatusResponse(prefix, 9)) << "length " << length;
    }
}

TEST(NodeStatusAnswers, ForeignNegativeAndHostileAnswersAreRejected)
{
    const auto name = AdapterStatusCallName("PC-ONE");
    const auto good = NodeStatusAnswerPacket(77, name, SomeMac, 2, 0);
    ASSERT_TRUE(ParseNodeStatusResponse(good, 77));

    struct Case
    {
        const char *what;
        std::function<void(std::vector<std::uint8_t> &)> change;
    };
    const Case cases[] = {
        {"another id", [](auto &p) { PutUint16(p, 0, 78); }},
        {"a request, not an answer", [](auto &p) { PutUint16(p, 2, 0x0000); }},
        {"negative answer", [](auto &p) { PutUint16(p, 2, 0x8403); }},
        {"no answer record", [](auto &p) { PutUint16(p, 6, 0); }},
        {"name query record", [](auto &p) { PutUint16(p, AnswerTypeOffset, 0x0020); }},
        {"RDLENGTH past the end", [](auto &p) { PutUint16(p, AnswerRdLengthOffset, 0xFFFF); }},
        {"RDLENGTH one byte more",
         [](auto &p) {
             PutUint16(p, AnswerRdLengthOffset,
                       static_cast<std::uint16_t>(p.size() - AnswerDataOffset + 1));
         }},
        {"RDLENGTH cuts the unit id",
         [](auto &p) { PutUint16(p, AnswerRdLengthOffset, 1 + 2 * 18 + 5); }},
        {"name count past the data", [](auto &p) { p[AnswerDataOffset] = 255; }},
        {"name count one too many", [](auto &p) { p[AnswerDataOffset] = 3; }},
        {"label longer than 63", [](auto &p) { p[12] = 0x7F; }},
        {"name label runs past the end",
         [](auto &p) {
             p[12] = 0x3F;
             p.resize(40);
         }},
        {"reserved label type", [](auto &p) { p[12] = 0x80; }},
        {"endless labels",
         [](auto &p) {
             p.resize(12);
             for (int i = 0; i < 400; ++i)
                 p.insert(p.end(), {0x01, 'A'});
         }},
    };
    for (const Case &c : cases) {
        auto packet = good;
        c.change(packet);
        packet.shrink_to_fit();
        EXPECT_FALSE(ParseNodeStatusResponse(packet, 77)) << c.what;
    }
}

TEST(NameQueryAnswers, FirstAddressOfAPositiveAnswerForTheAskedName)
{
    const auto name = QueryName("PC-ONE", 0);
    const std::uint32_t first = inet_addr("10.1.2.3");
    const std::uint32_t second = inet_addr("10.9.9.9");
    const auto packet = NameQueryAnswerPacket(3, name, {first, second});
    EXPECT_EQ(ParseNameQueryResponse(packet, 3, name), first);
    EXPECT_FALSE(ParseNameQueryResponse(packet, 4, name));
    EXPECT_FALSE(ParseNameQueryResponse(packet, 3, QueryName("PC-TWO", 0)));

    auto negative = packet;
    PutUint16(negative, 2, 0x8583); // rcode 3: no such name
    EXPECT_FALSE(ParseNameQueryResponse(negative, 3, name));
    auto empty = NameQueryAnswerPacket(3, name, {});
    EXPECT_FALSE(ParseNameQueryResponse(empty, 3, name));
    for (std::size_t length = 0; length < packet.size() - 6; ++length) {
        const std::vector<std::uint8_t> prefix(packet.begin(), packet.begin() + length);
        EXPECT_FALSE(ParseNameQueryResponse(prefix, 3, name)) << "length " << length;
    }
}

TEST(NodeStatusAnswers, TheComputerNameIsTheFirstUniqueWorkstationName)
{
    const auto entry = [](std::string_view name, std::uint8_t suffix) {
        NetBiosName n = QueryName(name, suffix);
        return n;
    };
    NetBiosName control = entry("PC", 0x00);
    control[1] = 0x07;
    const struct
    {
        const char *what;
        std::vector<std::pair<NetBiosName, std::uint16_t>> names;
        std::string expected;
    } cases[] = {
        {"workgroup first",
         {{entry("OFFICE", 0x00), 0x8400}, {entry("ALICE-PC", 0x00), 0x0400}},
         "ALICE-PC"},
        {"server service only", {{entry("ALICE-PC", 0x20), 0x0400}}, ""},
        {"group names only",
         {{entry("OFFICE", 0x00), 0x8400}, {entry("OFFICE", 0x1E), 0x8400}},
         ""},
        {"a control character", {{control, 0x0400}, {entry("PC-TWO", 0x00), 0x0400}}, "PC-TWO"},
        {"none", {}, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        NodeStatusAnswer answer;
        for (const auto &[name, flags] : c.names) {
            answer.names.push_back(name);
            answer.nameFlags.push_back(flags);
        }
        EXPECT_EQ(ComputerNameOf(answer), c.expected);
    }
    // From the wire: the flags are read with the names.
    const auto parsed = ParseNodeStatusResponse(
        NodeStatusAnswerPacket(7, AdapterStatusCallName("pc-one"), SomeMac), 7);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(ComputerNameOf(*parsed), "PC-ONE");
}

TEST(HostAddresses, AddressesAreReadAsCupsAndTheSpoolerWriteThemAndNamesAreNot)
{
    const struct
    {
        const char *text;
        bool address, ipv6;
        const char *canonical;
    } cases[] = {
        {"10.233.0.11", true, false, "10.233.0.11"},
        {"[v1.fd00:7e5c:0::12]", true, true, "fd00:7e5c::12"},
        {"FD00::12", true, true, "fd00::12"},
        {"[v1.fe80::1+lo]", true, true, "fe80::1"},
        {"::ffff:10.0.0.5", true, false, "10.0.0.5"},
        {"ALICE-PC", false, false, ""},
        {"localhost", false, false, ""},
        {"1234", false, false, ""},
        {"[v1.not-an-address]", false, false, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const auto address = ParseHostAddress(c.text);
        ASSERT_EQ(address.has_value(), c.address);
        if (!address)
            continue;
        EXPECT_EQ(address->ipv6, c.ipv6);
        EXPECT_EQ(address->text, c.canonical);
    }
    EXPECT_NE(ParseHostAddress("[v1.fe80::1+lo]")->scope, 0u);
}
