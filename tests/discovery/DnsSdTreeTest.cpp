// The network that resolved DNS-SD services make, providers searched as one, and how
// [Network] Provider names them.
#include "CombinedNetwork.h"
#include "DnsSdNetwork.h"
#include "IniFile.h"
#include "NetworkConfig.h"

#include <gtest/gtest.h>

using namespace vesk;

namespace {

// Every node below the root as "level:remote name", depth first.
QStringList Lines(NetworkEnum &network)
{
    QStringList lines;
    std::function<void(const NetResource *, int)> walk = [&](const NetResource *at, int level) {
        auto e = network.OpenEnum(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, RESOURCEUSAGE_ALL, at);
        std::vector<NetResource> records;
        while (e && e->Read(1, records)) {
        }
        for (const NetResource &r : records) {
            lines << QStringLiteral("%1:%2").arg(level).arg(r.lpRemoteName);
            if (level < 3)
                walk(&r, level + 1);
        }
    };
    walk(nullptr, 0);
    return lines;
}

} // namespace

TEST(DnsSdTree, DomainsHostsAndPrintersInNameOrder)
{
    const std::vector<DnsSdService> services = {
        // The same printer over IPP and IPPS, once with the host's name in other letters.
        {"local", "prn-one.local", "Office Laser", "10.0.0.2"},
        {"local", "PRN-ONE.local.", "office laser", "10.0.0.2"},
        {"local", "prn-one.local", "Label\tPrinter", "10.0.0.2"},
        // A host outside its domain's names keeps its whole name; one without IPv4 no address.
        {"local", "matrix.example.org", "Old Matrix", ""},
        {"example.org.", "a\\b.example.org", "Lab", "10.0.1.9"},
        // Nothing to list.
        {"local", "", "Nameless host", "10.0.0.7"},
        {"local", "prn-two.local", "", "10.0.0.3"},
    };
    QHash<QString, QString> addresses;
    MapNetwork network = DnsSdTree("DNS-SD Network", services, &addresses);
    EXPECT_EQ(Lines(network),
              QStringList({"0:DNS-SD Network", "1:example.org", "2:\\\\a-b", "3:\\\\a-b\\Lab",
                           "1:local", "2:\\\\matrix.example.org",
                           "3:\\\\matrix.example.org\\Old Matrix", "2:\\\\prn-one",
                           "3:\\\\prn-one\\Label Printer", "3:\\\\prn-one\\Office Laser"}));
    EXPECT_EQ(addresses, (QHash<QString, QString>{{"PRN-ONE", "10.0.0.2"}, {"A-B", "10.0.1.9"}}));
}

TEST(CombinedNetwork, OneRootWithEveryPartsGroupsAndComputersAskedOfTheirOwnPart)
{
    // A group two parts list shows once, with the computers of both; a part that cannot be
    // opened is left out.
    std::vector<std::unique_ptr<NetworkEnum>> parts;
    parts.push_back(std::make_unique<MapNetwork>(
        MapNetwork::FromText("[OFFICE]\nPC-ONE = laser1\n[local]\nPC-TWO\n")));
    parts.push_back(std::make_unique<MapNetwork>(
        DnsSdTree("DNS-SD Network", {{"local", "prn.local", "Laser", "10.0.0.2"}}, nullptr)));
    parts.push_back(std::make_unique<MapNetwork>(MapNetwork::FromText("[broken")));
    CombinedNetwork network(std::move(parts), {"Network map", "DNS-SD Network", "Broken"});

    EXPECT_EQ(Lines(network), QStringList({"0:Network map + DNS-SD Network + Broken", "1:OFFICE",
                                           "2:\\\\PC-ONE", "3:\\\\PC-ONE\\laser1", "1:local",
                                           "2:\\\\PC-TWO", "2:\\\\prn", "3:\\\\prn\\Laser"}));
    std::vector<NetResource> groups;
    NetResource provider;
    provider.dwDisplayType = RESOURCEDISPLAYTYPE_NETWORK;
    network.OpenEnum(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, RESOURCEUSAGE_CONTAINER, &provider)
        ->Read(10, groups);
    for (const NetResource &g : groups)
        EXPECT_EQ(g.lpProvider, network.ProviderName());
}

TEST(NetworkConfig, ProvidersJoinedByPlus)
{
    using K = NetworkConfig::Kind;
    const struct
    {
        const char *value;
        std::vector<K> providers; // empty: refused
    } cases[] = {
        {"", {K::Smb}},
        {"map", {K::Map}},
        {"DNSSD", {K::DnsSd}},
        {"SMB + dnssd", {K::Smb, K::DnsSd}},
        {"DNSSD+Map+dnssd", {K::DnsSd, K::Map}},
        {"SMB+", {}},
        {"Bonjour", {}},
    };
    for (const auto &c : cases) {
        IniFile ini;
        ini.parse(QStringLiteral("[Network]\nProvider=%1\n").arg(QString::fromLatin1(c.value)));
        NetworkConfig config;
        QString error;
        const bool read = NetworkConfig::Read(ini, QStringLiteral("/app"), config, &error);
        EXPECT_EQ(read, !c.providers.empty()) << c.value;
        if (read)
            EXPECT_EQ(config.Providers, c.providers) << c.value;
        else
            EXPECT_EQ(error, "[Network] Provider=" + QString::fromLatin1(c.value));
    }
}
