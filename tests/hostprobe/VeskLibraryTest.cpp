// libVesk.so bound by export name as the programs bind it, answered on 127.0.0.1:137.

// Only names that resolve without asking anyone are used here (the hosts file's
// localhost, numeric addresses): the probe broadcasts for names it cannot resolve.
#include "VeskLibrary.h"

#include "NodeStatusResponder.h"
#include "Skip.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <strings.h>

using namespace vesk;
using namespace vesk::test;

namespace {

const MacAddress RealMac{0x00, 0x0C, 0x29, 0x5A, 0x0B, 0xFE};

class VeskLibraryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(library.error(), "") << VESK_LIBRARY_PATH;
        if (!InHostsFile("localhost"))
            VESK_SKIP() << "localhost is not in /etc/hosts";
    }

    // The probe would broadcast a name query for a name the resolver does not know, and
    // the resolver would ask DNS: use only names of the hosts file, or numbers.
    static bool InHostsFile(const std::string &name)
    {
        std::ifstream hosts("/etc/hosts");
        std::string line;
        while (std::getline(hosts, line)) {
            std::istringstream fields(line.substr(0, line.find('#')));
            std::string field;
            fields >> field; // the address
            while (fields >> field) {
                if (strcasecmp(field.c_str(), name.c_str()) == 0)
                    return true;
            }
        }
        return false;
    }

    // A responder on the name service port of loopback, or null when another program
    // holds the port (the core tests cover the same paths on a port of their own).
    static std::unique_ptr<NodeStatusResponder> responder(NodeStatusResponder::Script script)
    {
        auto result = std::make_unique<NodeStatusResponder>(NetBiosPort, std::move(script));
        return result->bound() ? std::move(result) : nullptr;
    }

    VeskLibrary library{VESK_LIBRARY_PATH};
};

NodeStatusResponder::Script Answering(const MacAddress &mac)
{
    return [mac](const ReceivedRequest &request) -> std::vector<std::vector<std::uint8_t>> {
        return {NodeStatusAnswerPacket(request.id, request.name, mac)};
    };
}

} // namespace

TEST(VeskExports, ExactlyTheFiveFunctionsAndTheComputerProbeAreExported)
{
    const std::string command = "nm -D --defined-only '" VESK_LIBRARY_PATH "' 2>/dev/null";
    FILE *pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> symbols;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        char address[64], type[8], name[256];
        if (std::sscanf(line, "%63s %7s %255s", address, type, name) == 3)
            symbols.insert(name);
    }
    const int status = pclose(pipe);
    if (status != 0 && symbols.empty())
        VESK_SKIP() << "nm is not available";
    EXPECT_EQ(symbols, (std::set<std::string>{"Vesk_1", "Vesk_1__1", "Vesk_2", "Vesk_2__2",
                                              "Vesk_7", "Vesk_Computer"}));
}

TEST_F(VeskLibraryTest, PlatformHasChangeNotifications)
{
    EXPECT_EQ(library.Vesk_7(), 1);
}

TEST_F(VeskLibraryTest, Ipv4ByNameUpperCasesTheArgument)
{
    std::string after;
    EXPECT_EQ(library.call("Vesk_2", "localhost", &after), "127.0.0.1");
    EXPECT_EQ(after, "LOCALHOST");
    EXPECT_EQ(library.call("Vesk_2__2", "\\\\localhost", &after), "127.0.0.1");
    EXPECT_EQ(after, "\\\\LOCALHOST");
    EXPECT_EQ(library.call("Vesk_2", "127.0.0.1"), "127.0.0.1");
}

TEST_F(VeskLibraryTest, TextsWithoutANameGiveEmptyResults)
{
    // None of these reaches a resolver or the network.
    EXPECT_EQ(library.call("Vesk_2", ""), "");
    EXPECT_EQ(library.call("Vesk_1", ""), "");
    EXPECT_EQ(library.call("Vesk_2__2", "\\"), "");
    EXPECT_EQ(library.call("Vesk_1__1", "\\"), "");
    EXPECT_EQ(library.call("Vesk_1__1", "\\\\"), "");
    EXPECT_EQ(library.Vesk_1(nullptr), std::string());
    EXPECT_EQ(library.Vesk_2__2(nullptr), std::string());
}

TEST_F(VeskLibraryTest, ResultsLiveInOneBufferPerKind)
{
    char first[] = "localhost";
    char second[] = "127.0.0.1";
    const char *a = library.Vesk_2(first);
    const char *b = library.Vesk_2(second);
    EXPECT_EQ(a, b);
    char none[] = "";
    EXPECT_NE(library.Vesk_1(none), b);
}

TEST_F(VeskLibraryTest, MacByNodeStatusWithPaddedUpperCaseName)
{
    const auto service = responder(Answering(RealMac));
    if (!service)
        VESK_SKIP() << "127.0.0.1:137 is held by another program";
    std::string after;
    EXPECT_EQ(library.call("Vesk_1", "localhost", &after), "00-0C-29-5A-0B-FE");
    EXPECT_EQ(after, "LOCALHOST");
    EXPECT_EQ(library.call("Vesk_1__1", "\\\\localhost", &after), "00-0C-29-5A-0B-FE");
    EXPECT_EQ(after, "\\\\LOCALHOST");
    const auto requests = service->requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const auto &request : requests) {
        EXPECT_EQ(request.type, NetBiosTypeNbstat);
        EXPECT_EQ(Printable(request.name), "LOCALHOST______<0>");
    }
}

TEST_F(VeskLibraryTest, ComputerNamedByAddressIsAskedForAllItsNames)
{
    const auto service = responder(Answering(RealMac));
    if (!service)
        VESK_SKIP() << "127.0.0.1:137 is held by another program";
    EXPECT_EQ(library.call("Vesk_1__1", "\\\\127.0.0.1"), "00-0C-29-5A-0B-FE");
    EXPECT_EQ(library.call("Vesk_1", "127.000.000.001"), "00-0C-29-5A-0B-FE");
    const auto requests = service->requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const auto &request : requests)
        EXPECT_EQ(Printable(request.name), "*<0><0><0><0><0><0><0><0><0><0><0><0><0><0><0>");
}

TEST_F(VeskLibraryTest, ZerosWithoutANeighbourEntryAreReturnedAsGiven)
{
    // Loopback never has a neighbour entry, so Samba's zeros come back unchanged.
    const auto service = responder(Answering(MacAddress{}));
    if (!service)
        VESK_SKIP() << "127.0.0.1:137 is held by another program";
    EXPECT_EQ(library.call("Vesk_1", "localhost"), "00-00-00-00-00-00");
}

TEST_F(VeskLibraryTest, ShortAnswerIsIgnoredInFavourOfAWholeOne)
{
    const auto service = responder([](const ReceivedRequest &request) {
        auto whole = NodeStatusAnswerPacket(request.id, request.name, RealMac);
        auto cut = whole;
        cut.resize(whole.size() - 47); // ends inside the unit id
        return std::vector<std::vector<std::uint8_t>>{cut, whole};
    });
    if (!service)
        VESK_SKIP() << "127.0.0.1:137 is held by another program";
    EXPECT_EQ(library.call("Vesk_1", "localhost"), "00-0C-29-5A-0B-FE");
}

TEST_F(VeskLibraryTest, RefusedPortGivesTheEmptyText)
{
    {
        // Nothing may listen on the port for this test to mean anything.
        if (!responder({}))
            VESK_SKIP() << "127.0.0.1:137 is held by another program";
    }
    EXPECT_EQ(library.call("Vesk_1", "localhost"), "");
    EXPECT_EQ(library.call("Vesk_1__1", "\\\\127.0.0.1"), "");
}
