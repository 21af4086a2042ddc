// A real Samba network in private namespaces (scripts/discovery-samba-network): the search
// through SmbNetwork and the host collection with the probe library, names known by NetBIOS only.
#include "Database.h"
#include "DiscoveryFixture.h"
#include "HostInfo.h"
#include "NetworkSearch.h"
#include "Skip.h"
#include "SmbNetwork.h"
#include "TestAppDir.h"
#include "domainSearch.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QThread>

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

namespace {

struct Peer
{
    QString name;
    QString group;
    QString ip;
    QString mac; // XX-XX-XX-XX-XX-XX
};

std::vector<Peer> Peers()
{
    std::vector<Peer> peers;
    for (const QString &item :
         qEnvironmentVariable("VESK_DS_PEERS").split(u';', Qt::SkipEmptyParts)) {
        const QStringList f = item.split(u'=');
        if (f.size() == 4)
            peers.push_back({f[0], f[1], f[2], f[3].toUpper().replace(u':', u'-')});
    }
    return peers;
}

QStringList Shape(const TreeNodes &tree)
{
    QStringList lines;
    tree.ForEach([&](const TreeNode &n) {
        if (n.Level() > 0)
            lines << QStringLiteral("%1:%2").arg(n.Level()).arg(n.Text);
    });
    lines.sort();
    return lines;
}

class SambaNetwork : public ::testing::Test
{
protected:
    void SetUp() override
    {
        peers = Peers();
        if (peers.empty())
            VESK_SKIP() << "run through scripts/discovery-samba-network";
        SmbSettings settings;
        settings.configFile = qEnvironmentVariable("VESK_DS_SMBCONF");
        network = std::make_unique<SmbNetwork>(settings);
    }

    TreeNodes search()
    {
        TNetworkSearch s(*network, KeyText);
        s.LogWindow = &log;
        s.PlatformKind = GetPlatformKind();
        QSignalSpy finished(&s, &TNetworkSearch::searchFinished);
        s.Start();
        EXPECT_TRUE(finished.wait(120000));
        return s.ComputerTree;
    }

    std::vector<Peer> peers;
    std::unique_ptr<SmbNetwork> network;
    LogRecorder log;
};

} // namespace

TEST_F(SambaNetwork, SearchFindsTheNetworkAndTheCollectionStoresIt)
{
    const QStringList expected = {
        "1:LAB",
        "1:OFFICE",
        "2:\\\\VDS-LAB",
        "2:\\\\VDS-ONE",
        "2:\\\\VDS-TWO",
        "3:\\\\VDS-ONE\\laser1",
        "3:\\\\VDS-ONE\\laser2",
    };
    // Browse-list elections take their time: search again until the whole network shows.
    TreeNodes tree;
    const QDeadlineTimer deadline(180000);
    while (Shape(tree = search()) != expected && !deadline.hasExpired())
        QThread::msleep(2000);
    ASSERT_EQ(Shape(tree), expected) << log.lines.join(u'\n').toStdString();
    EXPECT_EQ(tree.First()->Text, QString::fromLatin1(SmbNetwork::ProviderName));

    TestAppDir dir;
    dir.writeConfig();
    dir.copyLanguage(QStringLiteral("English.ini"));
    dir.createDatabase();
    const QString source = QStringLiteral("samba-network");
    ASSERT_TRUE(
        openDatabase(source, QStringLiteral("Provider=SQLite;Data Source=vesk.db"), dir.path()).ok);
    auto collect = [&] {
        HostInfoSettings s;
        s.SourceConnection = source;
        s.Lang = KeyText;
        s.LogWindow = &log;
        s.DeptTreeFileName = dir.file(QStringLiteral("DeptTreeData.dat"));
        THostInfo info(s, tree);
        info.start();
        while (!info.wait(10))
            QCoreApplication::processEvents();
        return info.Error();
    };
    auto hosts = [&] {
        QSqlQuery q(QSqlDatabase::database(source, false));
        EXPECT_TRUE(q.exec("select hostName, tNetGroup, IP, MAC, DeptName from tHost"));
        QStringList rows;
        while (q.next())
            rows << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                q.value(3).toString(), q.value(4).toString()}
                        .join(u'|');
        rows.sort();
        return rows;
    };
    QStringList expectedHosts;
    for (const Peer &p : peers)
        expectedHosts << QStringList{p.name, p.group, p.ip, p.mac, "<RSDefaultDept>"}.join(u'|');
    expectedHosts.sort();

    ASSERT_EQ(collect(), QString());
    EXPECT_EQ(hosts(), expectedHosts) << log.lines.join(u'\n').toStdString();
    QSqlQuery q(QSqlDatabase::database(source, false));
    ASSERT_TRUE(q.exec("select Name, HostName from tPrinter order by Name"));
    QStringList printers;
    while (q.next())
        printers << q.value(0).toString() + u'|' + q.value(1).toString();
    EXPECT_EQ(printers,
              QStringList({"\\\\VDS-ONE\\laser1|VDS-ONE", "\\\\VDS-ONE\\laser2|VDS-ONE"}));

    // Again, after VDS-TWO was known under another name in another department: matched by
    // MAC, renamed, department kept, no row added.
    ASSERT_TRUE(q.exec("update tHost set hostName='OLDNAME', DeptName='Sales' where "
                       "hostName='VDS-TWO'"));
    ASSERT_EQ(collect(), QString());
    for (QString &row : expectedHosts) {
        if (row.startsWith("VDS-TWO|"))
            row.replace("<RSDefaultDept>", "Sales");
    }
    EXPECT_EQ(hosts(), expectedHosts);
    QSqlDatabase::database(source, false).close();
    QSqlDatabase::removeDatabase(source);
}

// Closing the console ends the search: listings still waiting for their turn (SMB listings run
// one at a time) list nothing, while the search is being ended only.
TEST_F(SambaNetwork, ListingsWaitingWhenTheSearchStopsListNothing)
{
    NetResource computer;
    computer.dwDisplayType = RESOURCEDISPLAYTYPE_SERVER;
    computer.lpRemoteName = QStringLiteral("\\\\VDS-ONE");
    const auto list = [&] {
        return network->OpenEnum(RESOURCE_GLOBALNET, RESOURCETYPE_PRINT, RESOURCEUSAGE_ALL,
                                 &computer) != nullptr;
    };
    // The name resolves once the namespaces' NetBIOS servers have started.
    const QDeadlineTimer deadline(120000);
    while (!list() && !deadline.hasExpired())
        QThread::msleep(1000);
    ASSERT_TRUE(list());
    network->SetStopping(true);
    EXPECT_FALSE(list());
    network->SetStopping(false);
    EXPECT_TRUE(list());
}
