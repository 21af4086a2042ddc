// The MAC probe against a scripted responder on loopback and a neighbour table file.
#include "MacProbe.h"

#include "NodeStatusResponder.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <unistd.h>

using namespace vesk;
using namespace vesk::test;
using namespace std::chrono_literals;

namespace {

const MacAddress RealMac{0x52, 0x54, 0x00, 0x0C, 0xAB, 0x01};
const MacAddress Zeros{};
const std::uint32_t Loopback = inet_addr("127.0.0.1");

class MacProbeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char path[] = "/tmp/vesk-neighbours-XXXXXX";
        const int fd = mkstemp(path);
        ASSERT_GE(fd, 0);
        close(fd);
        tablePath_ = path;
        writeTable("");
    }
    void TearDown() override { std::remove(tablePath_.c_str()); }

    void writeTable(const std::string &entries)
    {
        std::ofstream(tablePath_)
            << "IP address       HW type     Flags       HW address            Mask     Device\n"
            << entries;
    }

    // Loopback names resolve without asking anyone; a name query is sent only to the
    // responder, never broadcast.
    ProbeSettings settings(std::uint16_t port) const
    {
        ProbeSettings s;
        s.port = port;
        s.neighbourTablePath = tablePath_;
        s.broadcastAddresses = {Loopback};
        s.resolve = [](const char *name) -> std::optional<std::uint32_t> {
            if (std::string_view(name) == "PC-LOOP" || std::string_view(name) == "pc-loop")
                return Loopback;
            return std::nullopt;
        };
        s.totalTime = 600ms;
        s.nameQueryTime = 300ms;
        s.resendInterval = 200ms;
        return s;
    }

    std::string tablePath_;
};

NodeStatusResponder::Script Answering(const MacAddress &mac)
{
    return [mac](const ReceivedRequest &request) -> std::vector<std::vector<std::uint8_t>> {
        if (request.type == NetBiosTypeNbstat)
            return {NodeStatusAnswerPacket(request.id, request.name, mac)};
        if (request.type == NetBiosTypeNb && request.name == QueryName("PC-FAR", 0))
            return {NameQueryAnswerPacket(request.id, request.name, {Loopback})};
        return {};
    };
}

} // namespace

TEST_F(MacProbeTest, AnsweredAddressIsReturnedAndTheRequestCarriesTheCallName)
{
    NodeStatusResponder responder(0, Answering(RealMac));
    ASSERT_TRUE(responder.bound());
    EXPECT_EQ(MacOfComputer("pc-loop", settings(responder.port())), "52-54-00-0C-AB-01");
    const auto requests = responder.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].type, NetBiosTypeNbstat);
    EXPECT_EQ(Printable(requests[0].name), "PC-LOOP________<0>");

    EXPECT_EQ(MacOfAddress("abcdefghijklmno", Loopback, settings(responder.port())),
              "52-54-00-0C-AB-01");
    EXPECT_EQ(MacOfAddress("abcdefghijklmnopq", Loopback, settings(responder.port())),
              "52-54-00-0C-AB-01");
    EXPECT_EQ(Printable(responder.requests().at(1).name), "ABCDEFGHIJKLMNO_");
    EXPECT_EQ(Printable(responder.requests().at(2).name), "ABCDEFGHIJKLMNO_");
}

TEST_F(MacProbeTest, ZerosFallBackToACompleteNeighbourEntry)
{
    NodeStatusResponder responder(0, Answering(Zeros));
    ASSERT_TRUE(responder.bound());
    // No entry, or only an incomplete one: the zeros as the computer gave them.
    EXPECT_EQ(MacOfAddress("PC", Loopback, settings(responder.port())), "00-00-00-00-00-00");
    writeTable("127.0.0.1        0x1         0x0         00:00:00:00:00:00     *        lo\n");
    EXPECT_EQ(MacOfAddress("PC", Loopback, settings(responder.port())), "00-00-00-00-00-00");
    writeTable("127.0.0.1        0x1         0x2         02:42:ac:11:00:0c     *        lo\n");
    EXPECT_EQ(MacOfAddress("PC", Loopback, settings(responder.port())), "02-42-AC-11-00-0C");
}

TEST_F(MacProbeTest, NoNameServiceGivesEmptyUnlessTheNeighbourTableKnowsTheHost)
{
    const std::uint16_t closed = ClosedLoopbackPort();
    EXPECT_EQ(MacOfAddress("PC", Loopback, settings(closed)), "");
    writeTable("127.0.0.1        0x1         0x2         02:42:ac:11:00:0c     *        lo\n");
    EXPECT_EQ(MacOfAddress("PC", Loopback, settings(closed)), "02-42-AC-11-00-0C");
}

TEST_F(MacProbeTest, SilentComputerIsAskedAgainThenGivesEmpty)
{
    NodeStatusResponder responder(
        0, [](const ReceivedRequest &) { return std::vector<std::vector<std::uint8_t>>{}; });
    ASSERT_TRUE(responder.bound());
    EXPECT_EQ(MacOfAddress("PC", Loopback, settings(responder.port())), "");
    EXPECT_GE(responder.requests().size(), 2u);
}

TEST_F(MacProbeTest, GarbageBeforeTheAnswerIsPassedOverAndGarbageAloneGivesEmpty)
{
    std::atomic<bool> thenAnswer = true;
    NodeStatusResponder responder(0, [&thenAnswer](const ReceivedRequest &request) {
        auto truncated = NodeStatusAnswerPacket(request.id, request.name, RealMac);
        truncated.resize(truncated.size() - 50);
        auto foreign =
            NodeStatusAnswerPacket(static_cast<std::uint16_t>(request.id + 1), request.name, Zeros);
        auto lying = NodeStatusAnswerPacket(request.id, request.name, Zeros);
        PutUint16(lying, 54, 0xFFFF);
        std::vector<std::vector<std::uint8_t>> replies{truncated, foreign, lying, {0x01}};
        if (thenAnswer)
            replies.push_back(NodeStatusAnswerPacket(request.id, request.name, RealMac));
        return replies;
    });
    ASSERT_TRUE(responder.bound());
    EXPECT_EQ(MacOfAddress("PC", Loopback, settings(responder.port())), "52-54-00-0C-AB-01");
    thenAnswer = false;
    EXPECT_EQ(MacOfAddress("PC", Loopback, settings(responder.port())), "");
}

TEST_F(MacProbeTest, UnresolvedNameIsFoundByNameQuery)
{
    NodeStatusResponder responder(0, Answering(RealMac));
    ASSERT_TRUE(responder.bound());
    EXPECT_EQ(MacOfComputer("pc-far", settings(responder.port())), "52-54-00-0C-AB-01");
    const auto requests = responder.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].type, NetBiosTypeNb);
    EXPECT_EQ(requests[0].flags & NetBiosFlagBroadcast, NetBiosFlagBroadcast);
    EXPECT_EQ(requests[1].type, NetBiosTypeNbstat);
    EXPECT_EQ(Printable(requests[1].name), "PC-FAR_________<0>");

    // A name nobody answers for: no node status is sent at all.
    EXPECT_EQ(MacOfComputer("pc-nowhere", settings(responder.port())), "");
    EXPECT_EQ(responder.requests().back().type, NetBiosTypeNb);
    EXPECT_EQ(MacOfComputer("", settings(responder.port())), "");
}

TEST_F(MacProbeTest, TheComputerOfAJobIsNamedAsTheWindowsSpoolerWouldNameIt)
{
    NodeStatusResponder netbios(
        0, [](const ReceivedRequest &request) -> std::vector<std::vector<std::uint8_t>> {
            if (request.type != NetBiosTypeNbstat)
                return {};
            return {NodeStatusAnswerPacket(request.id, AdapterStatusCallName("ALICE-PC"), RealMac)};
        });
    ASSERT_TRUE(netbios.bound());
    const std::uint16_t closed = ClosedLoopbackPort();
    const std::string mac = "52-54-00-0C-AB-01";
    const struct
    {
        const char *host;
        bool answersNetBios, hasReverseName;
        ComputerAnswer expected;
    } cases[] = {
        // An address: its NetBIOS computer name, else its reverse name, else the address.
        {"127.0.0.1", true, true, {"ALICE-PC", mac, "127.0.0.1"}},
        {"127.0.0.1", false, true, {"LAPTOP.OFFICE.EXAMPLE", "", "127.0.0.1"}},
        {"127.0.0.1", false, false, {"127.0.0.1", "", "127.0.0.1"}},
        {"::ffff:127.0.0.1", true, false, {"ALICE-PC", mac, "127.0.0.1"}},
        // IPv6 as CUPS writes it: no NetBIOS there; the MAC from the IPv6 neighbour table.
        {"[v1.FD00:0::12]", false, false, {"fd00::12", mac, "fd00::12"}},
        {"[v1.fd00::12]", false, true, {"LAPTOP.OFFICE.EXAMPLE", mac, "fd00::12"}},
        // A name keeps its name, upper case.
        {"pc-loop", true, true, {"PC-LOOP", mac, "127.0.0.1"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.host);
        ProbeSettings s = settings(c.answersNetBios ? netbios.port() : closed);
        const bool reverse = c.hasReverseName;
        s.reverseName = [reverse](const HostAddress &) -> std::optional<std::string> {
            return reverse ? std::optional<std::string>("laptop.office.example") : std::nullopt;
        };
        s.ipv6Neighbour = [](const Ipv6Address &address, unsigned) -> std::optional<MacAddress> {
            return address[15] == 0x12 ? std::optional(RealMac) : std::nullopt;
        };
        const std::size_t asked = netbios.requests().size();
        const ComputerAnswer found = ComputerOfHost(c.host, s);
        EXPECT_EQ(found.name, c.expected.name);
        EXPECT_EQ(found.mac, c.expected.mac);
        EXPECT_EQ(found.ip, c.expected.ip);
        // Name and MAC come from one exchange.
        EXPECT_LE(netbios.requests().size() - asked, 1u);
    }
}
