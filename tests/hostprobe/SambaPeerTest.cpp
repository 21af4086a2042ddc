// libVesk.so against a real nmbd peer in private network namespaces.

// scripts/hostprobe-samba-peer builds the namespaces and passes their facts in the
// environment. The probe runs inside the client namespace through hostprobe-cli, so its
// broadcasts and lookups never leave it.
#include "Skip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Peer
{
    std::string clientNamespace;
    std::string ip;
    std::string mac; // as the neighbour table spells it: lower case with colons
    std::string name;
    std::string alias;
};

std::string Env(const char *name)
{
    const char *value = std::getenv(name);
    return value != nullptr ? value : "";
}

Peer ThePeer()
{
    return {Env("VESK_HP_CLIENT_NS"), Env("VESK_HP_PEER_IP"), Env("VESK_HP_PEER_MAC"),
            Env("VESK_HP_PEER_NAME"), Env("VESK_HP_PEER_ALIAS")};
}

std::string MacText(std::string mac)
{
    std::replace(mac.begin(), mac.end(), ':', '-');
    std::transform(mac.begin(), mac.end(), mac.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return mac;
}

// Output of a program run without a shell.
std::string RunProgram(const std::vector<std::string> &arguments)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return "<pipe failed>";
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        std::vector<char *> argv;
        for (const auto &argument : arguments)
            argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    std::string output;
    std::array<char, 512> buffer;
    ssize_t length;
    while ((length = read(pipeEnds[0], buffer.data(), buffer.size())) > 0)
        output.append(buffer.data(), static_cast<std::size_t>(length));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return output;
}

struct Call
{
    std::string result;
    std::string argument;
};

// One export of the library called inside the client namespace.
Call CallInNamespace(const std::string &exportName, const std::string &argument)
{
    const std::string output =
        RunProgram({"ip", "netns", "exec", ThePeer().clientNamespace, VESK_HOSTPROBE_CLI,
                    VESK_LIBRARY_PATH, exportName, argument});
    Call call;
    const auto field = [&output](const std::string &key) {
        const auto start = output.find(key + "=");
        if (start == std::string::npos)
            return std::string("<missing>");
        const auto from = start + key.size() + 1;
        return output.substr(from, output.find('\n', from) - from);
    };
    call.result = field("result");
    call.argument = field("argument");
    return call;
}

class SambaPeerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (ThePeer().clientNamespace.empty())
            return;
        // nmbd answers node status at once but its own names only after registering
        // them (some seconds): wait until the name query path works before testing.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < until &&
               CallInNamespace("Vesk_1", ThePeer().alias).result.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }

    void SetUp() override
    {
        if (ThePeer().clientNamespace.empty())
            VESK_SKIP() << "run through scripts/hostprobe-samba-peer";
        peer = ThePeer();
        ASSERT_EQ(peer.mac.size(), 17u);
    }

    Peer peer;
};

} // namespace

TEST_F(SambaPeerTest, SambaAnswersZerosAndTheNeighbourTableHasTheMac)
{
    const std::string output = RunProgram(
        {"ip", "netns", "exec", peer.clientNamespace, VESK_HOSTPROBE_CLI, "--unit-id", peer.name});
    EXPECT_NE(output.find("unit-id=00-00-00-00-00-00"), std::string::npos) << output;

    std::string lower = peer.name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const Call call = CallInNamespace("Vesk_1", lower);
    EXPECT_EQ(call.result, MacText(peer.mac));
    EXPECT_EQ(call.argument, peer.name);

    const Call prefixed = CallInNamespace("Vesk_1__1", "\\\\" + lower);
    EXPECT_EQ(prefixed.result, MacText(peer.mac));
    EXPECT_EQ(prefixed.argument, "\\\\" + peer.name);
}

TEST_F(SambaPeerTest, ComputerNamedByAddressAnswersTheWildcard)
{
    const std::string output = RunProgram(
        {"ip", "netns", "exec", peer.clientNamespace, VESK_HOSTPROBE_CLI, "--unit-id", peer.ip});
    EXPECT_NE(output.find("unit-id=00-00-00-00-00-00"), std::string::npos) << output;
    EXPECT_EQ(CallInNamespace("Vesk_1__1", "\\\\" + peer.ip).result, MacText(peer.mac));
}

TEST_F(SambaPeerTest, NameOutsideTheHostsFileIsFoundByBroadcast)
{
    EXPECT_EQ(CallInNamespace("Vesk_1", "vhpalias").result, MacText(peer.mac));
    EXPECT_EQ(CallInNamespace("Vesk_2", "vhpalias").result, peer.ip);
}

TEST_F(SambaPeerTest, UnknownComputerGivesEmptyTexts)
{
    EXPECT_EQ(CallInNamespace("Vesk_1", "nosuchpc").result, "");
    EXPECT_EQ(CallInNamespace("Vesk_2", "nosuchpc").result, "");
}

TEST_F(SambaPeerTest, Ipv4ByNameUpperCasesOnlyAsciiLetters)
{
    const Call call = CallInNamespace("Vesk_2", "veskprobepeer15");
    EXPECT_EQ(call.result, peer.ip);
    EXPECT_EQ(call.argument, peer.name);
    EXPECT_EQ(CallInNamespace("Vesk_2__2", "\\\\VeskProbePeer15").result, peer.ip);

    const Call accented = CallInNamespace("Vesk_2", "caf\xc3\xa9-pc");
    EXPECT_EQ(accented.result, "");
    EXPECT_EQ(accented.argument, "CAF\xc3\xa9-PC");
}
