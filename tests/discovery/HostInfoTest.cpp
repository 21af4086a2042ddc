// The host collection's matching rules on a real database: SQLite here, PostgreSQL when built
// with VESK_DISCOVERY_PG.
#include "HostInfo.h"

#include "CachedTable.h"
#include "Database.h"
#include "DiscoveryFixture.h"
#include "DnsSdNetwork.h"
#include "HostileTexts.h"
#include "Schema.h"
#include "TestAppDir.h"
#include "TreeFile.h"

#ifdef VESK_DISCOVERY_PG
#include "PostgresServer.h"
#endif

#include <QCoreApplication>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <map>

using namespace vesk;
using namespace vesk::test;

namespace {

const QString Source = QStringLiteral("hostinfo-test");

#ifdef VESK_DISCOVERY_PG
class HostInfoRules : public FreshPostgresDatabase
{
protected:
    void SetUp() override
    {
        FreshPostgresDatabase::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(openDatabase(Source, postgresConstr(database), {}).ok);
        QSqlDatabase db = QSqlDatabase::database(Source, false);
        QString error;
        ASSERT_TRUE(createSchema(db, KeyText, &error)) << error.toStdString();
    }
#else
class HostInfoRules : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir.writeConfig();
        dir.copyLanguage(QStringLiteral("English.ini"));
        dir.createDatabase();
        const OpenResult r =
            openDatabase(Source, QStringLiteral("Provider=SQLite;Data Source=vesk.db"), dir.path());
        ASSERT_TRUE(r.ok) << r.error.toStdString();
    }
#endif
    void TearDown() override
    {
        {
            QSqlDatabase db = QSqlDatabase::database(Source, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(Source);
    }

    void exec(const QString &statement)
    {
        QSqlQuery q(QSqlDatabase::database(Source, false));
        ASSERT_TRUE(q.exec(statement)) << statement.toStdString();
    }

    // Every row of `table` as "col=value|..." texts for the named columns, sorted.
    QStringList rows(const QString &table, const QStringList &columns)
    {
        QSqlQuery q(QSqlDatabase::database(Source, false));
        EXPECT_TRUE(q.exec(QStringLiteral("select ") + columns.join(u',') +
                           QStringLiteral(" from ") + table));
        QStringList out;
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < columns.size(); ++i)
                cells << q.value(i).toString();
            out << cells.join(u'|');
        }
        out.sort();
        return out;
    }

    // Runs one collection over `tree` with probes answered from `answers` (by upper-case name).
    // Computers in `known` are probed by that address: the name in upper case, no MAC.
    QString collect(const TreeNodes &tree,
                    const std::map<QString, std::pair<QString, QString>> &answers,
                    const QHash<QString, QString> &known = {})
    {
        THostInfo info(settings(answers, known), tree);
        info.start();
        while (!info.wait(10))
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return info.Error();
    }

    HostInfoSettings settings(const std::map<QString, std::pair<QString, QString>> &answers,
                              const QHash<QString, QString> &known = {})
    {
        HostInfoSettings s;
        s.SourceConnection = Source;
        s.Lang = KeyText;
        s.LogWindow = &log;
        s.Window = &log;
        s.HostInfoRunning = &running;
        s.LoadDeptTree = [](TreeNodes &dept, QString *error) {
            return LoadDeptTreeNodes(QSqlDatabase::database(Source, false), dept, error);
        };
        s.DeptTreeFileName = deptDir.filePath(QStringLiteral("DeptTreeData.dat"));
        s.Probe = [answers](const QString &name) {
            const QString upper = name.toUpper();
            const auto it = answers.find(upper);
            return it == answers.end()
                       ? HostProbeResult{upper, {}, {}}
                       : HostProbeResult{upper, it->second.first, it->second.second};
        };
        s.KnownAddresses = known;
        s.ProbeAddress = [](const QString &name, const QString &ip) {
            return HostProbeResult{name.toUpper(), ip, {}};
        };
        return s;
    }

#ifndef VESK_DISCOVERY_PG
    TestAppDir dir;
#endif
    QTemporaryDir deptDir;
    LogRecorder log;
    std::atomic<bool> running{false};
};

TreeNodes Network()
{
    TreeNodes tree;
    TreeNode *root = tree.Add(QStringLiteral("Net"), 0);
    TreeNode *office = root->AddChild(QStringLiteral("OFFICE"), 1);
    TreeNode *pc1 = office->AddChild(QStringLiteral("\\\\pc1"), 2);
    pc1->AddChild(QStringLiteral("\\\\PC1\\laser"), 3);
    pc1->AddChild(QStringLiteral("\\\\PC1\\new"), 3);
    office->AddChild(QStringLiteral("\\\\pc2"), 2);
    TreeNode *lab = root->AddChild(QStringLiteral("LAB"), 1);
    lab->AddChild(QStringLiteral("\\\\pc3"), 2);
    lab->AddChild(QStringLiteral("\\\\pc4"), 2);
    return tree;
}

} // namespace

TEST_F(HostInfoRules, MatchesByMacThenIpThenNameAndAddsTheRest)
{
    exec("insert into tHost (hostName, IP, MAC, tNetGroup, DeptName, EmName) values "
         "('OLDNAME', '10.0.0.1', 'aa-bb-cc-00-11-22', 'OLD', 'Sales', 'Ann')");
    exec("insert into tHost (hostName, IP, MAC, DeptName) values "
         "('ZED', '10.0.0.9', '00-00-00-00-00-00', 'Sales')");
    exec("insert into tHost (hostName, IP, MAC, DeptName) values ('IPROW', '10.0.0.7', '', 'Lab')");
    exec("insert into tHost (hostName, IP, MAC, DeptName) values ('PC3', '10.9.9.9', '', 'Lab')");
    exec("insert into tPrinter (Name, HostName, IsMonitor) values ('\\\\pc1\\LASER', 'OLD', 1)");
    exec("insert into tDept (Name, SuperName) values ('Sales', '-1')");

    const std::map<QString, std::pair<QString, QString>> answers = {
        {"PC1", {"10.0.0.5", "AA-BB-CC-00-11-22"}}, // by MAC: keeps department and employee
        {"PC2", {"10.0.0.7", "00-00-00-00-00-00"}}, // zero MAC: by IP, not the ZED row
        {"PC3", {"", ""}},                          // by name
        {"PC4", {"", ""}},                          // new, in the default department
    };
    ASSERT_EQ(collect(Network(), answers), QString());
    const QStringList columns = {"hostName", "IP", "MAC", "tNetGroup", "DeptName", "EmName"};
    const QStringList hosts = {
        "PC1|10.0.0.5|aa-bb-cc-00-11-22|OFFICE|Sales|Ann", // a MAC match keeps the stored text
        "PC2|10.0.0.7|00-00-00-00-00-00|OFFICE|Lab|",
        "PC3|||LAB|Lab|",
        "PC4|||LAB|<RSDefaultDept>|",
        "ZED|10.0.0.9|00-00-00-00-00-00||Sales|",
    };
    EXPECT_EQ(rows("tHost", columns), hosts);
    const QStringList printers = {"\\\\PC1\\new|PC1|0", "\\\\pc1\\LASER|PC1|1"};
    EXPECT_EQ(rows("tPrinter", {"Name", "HostName", "coalesce(IsMonitor, 0)"}), printers);
    EXPECT_FALSE(running);
    EXPECT_EQ(log.lines.first(), "<RSPrefixInfoBegin>");
    EXPECT_EQ(log.lines[1], "<RSName>:PC1   IP:10.0.0.5    MAC:AA-BB-CC-00-11-22");
    EXPECT_EQ(log.lines.last(), "<RSPrefixInfoEnd>");

    // A second run matches the same rows.
    ASSERT_EQ(collect(Network(), answers), QString());
    EXPECT_EQ(rows("tHost", columns), hosts);
    EXPECT_EQ(rows("tPrinter", {"Name", "HostName", "coalesce(IsMonitor, 0)"}), printers);

    TreeNodes dept;
    QString error;
    ASSERT_TRUE(ReadTreeFile(deptDir.filePath("DeptTreeData.dat"), 0, dept, &error));
    QStringList lines;
    dept.ForEach([&](const TreeNode &n) { lines << QString(n.Level(), u'>') + n.Text; });
    EXPECT_TRUE(lines.contains("Sales")) << lines.join(u' ').toStdString();
    EXPECT_TRUE(lines.contains(">PC1")) << lines.join(u' ').toStdString();
    EXPECT_TRUE(lines.contains(">>\\\\PC1\\new")) << lines.join(u' ').toStdString();
}

TEST_F(HostInfoRules, EmptyTreeStillWritesTheDepartmentFile)
{
    ASSERT_EQ(collect(TreeNodes(), {}), QString());
    EXPECT_TRUE(QFile::exists(deptDir.filePath("DeptTreeData.dat")));
    EXPECT_EQ(rows("tHost", {"hostName"}), QStringList());
}

TEST_F(HostInfoRules, ErrorEndsTheCollectionWithALogLine)
{
    exec("drop table tPrinter");
    const QString error = collect(Network(), {});
    EXPECT_NE(error, QString());
    EXPECT_FALSE(running);
    EXPECT_TRUE(log.lines.last().startsWith("<RSInfoError>")) << log.lines.last().toStdString();
    EXPECT_EQ(rows("tHost", {"hostName"}), QStringList());
}

// Another program changed or deleted a row between the collection's reading and writing it:
// the write matches no row and fails with the catalogue's text instead of being skipped.
TEST_F(HostInfoRules, AWriteThatMatchesNoRowIsReported)
{
    const char *meanwhile[] = {"update tHost set IP='10.0.0.2'", "delete from tHost"};
    for (const char *statement : meanwhile) {
        SCOPED_TRACE(statement);
        exec("delete from tHost");
        exec("insert into tHost (hostName, IP) values ('PC1', '10.0.0.1')");
        QSqlDatabase db = QSqlDatabase::database(Source, false);
        CachedTable hosts;
        hosts.RowChangedText = QStringLiteral("changed");
        QString error;
        ASSERT_TRUE(hosts.Load(db, QStringLiteral("tHost"), &error));
        exec(statement);
        hosts.SetValue(hosts.Find(QStringLiteral("hostName"), QStringLiteral("PC1")),
                       QStringLiteral("MAC"), QStringLiteral("AA-BB-CC-00-11-22"));
        EXPECT_FALSE(hosts.Write(db, &error));
        EXPECT_EQ(error, QStringLiteral("changed"));
    }
}

#ifdef VESK_DISCOVERY_PG
// Two consoles' collections on one server: the second waits until the first has committed, so
// a computer new to both is stored once.
TEST_F(HostInfoRules, ACollectionWaitsForAnotherCollectionsWrite)
{
    const QString other = QStringLiteral("hostinfo-other");
    {
        QSqlDatabase db = QSqlDatabase::cloneDatabase(Source, other);
        ASSERT_TRUE(db.open());
        QString error;
        ASSERT_TRUE(beginWrite(db, &error));
        ASSERT_TRUE(lockForReadAndWrite(db, {QStringLiteral("tHost"), QStringLiteral("tPrinter")}));
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("insert into tHost (hostName, DeptName) values ('PC3', 'x')"));
        TreeNodes tree;
        tree.Add(QStringLiteral("Net"), 0)
            ->AddChild(QStringLiteral("LAB"), 1)
            ->AddChild(QStringLiteral("\\\\pc3"), 2);
        THostInfo info(settings({}), tree);
        info.start();
        // The collection waits for the lock (or, without it, ends beside the open write).
        QSqlQuery waiting(QSqlDatabase::database(Source, false));
        const auto blocked = [&] {
            return waiting.exec("select count(*) from pg_locks where not granted") &&
                   waiting.next() && waiting.value(0).toInt() > 0;
        };
        while (!blocked() && !info.wait(10))
            QCoreApplication::processEvents();
        ASSERT_TRUE(commitWrite(db, &error));
        while (!info.wait(10))
            QCoreApplication::processEvents();
        EXPECT_EQ(info.Error(), QString());
        db.close();
    }
    QSqlDatabase::removeDatabase(other);
    EXPECT_EQ(rows("tHost", {"hostName"}), QStringList{"PC3"});
}
#endif

#ifndef VESK_DISCOVERY_PG
// Names announced by DNS-SD reach tHost and tPrinter as announced; only what the saved tree
// cannot carry changes: control characters become blanks, a computer's backslash a dash.
TEST_F(HostInfoRules, HostileNamesAnnouncedByDnsSdAreStoredAsAnnounced)
{
    std::vector<DnsSdService> services{{"local", "prn.local", "Plain", "10.1.1.1"}};
    QStringList hosts{"PRN|10.1.1.1"}, printers{"\\\\prn\\Plain|PRN"};
    int n = 0;
    for (const HostileText &h : HostileTexts()) {
        const QString ip = QStringLiteral("10.1.0.%1").arg(++n);
        services.push_back({"local", "prn.local", h.text, "10.1.1.1"});
        services.push_back({"local", h.text + ".local", "P", ip});
        QString name = h.text;
        for (QChar &c : name) {
            if (c.category() == QChar::Other_Control)
                c = u' ';
        }
        name = name.trimmed();
        const QString host = QString(name).replace(u'\\', u'-');
        if (name.isEmpty())
            continue; // nothing to list
        printers << "\\\\prn\\" + name + "|PRN"
                 << "\\\\" + host + "\\P|" + host.toUpper();
        hosts << host.toUpper() + u'|' + ip;
    }
    QHash<QString, QString> known;
    MapNetwork network = DnsSdTree("DNS-SD Network", services, &known);
    // The tree a search makes of it.
    TreeNodes tree;
    std::function<void(const NetResource *, TreeNode *)> walk = [&](const NetResource *at,
                                                                    TreeNode *node) {
        std::vector<NetResource> below;
        auto e = network.OpenEnum(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, RESOURCEUSAGE_ALL, at);
        while (e && e->Read(1, below)) {
        }
        for (const NetResource &r : below)
            walk(&r, node ? node->AddChild(r.lpRemoteName, node->Level() + 1)
                          : tree.Add(r.lpRemoteName, 0));
    };
    walk(nullptr, nullptr);

    ASSERT_EQ(collect(tree, {}, known), QString());
    hosts.sort();
    printers.sort();
    EXPECT_EQ(rows("tHost", {"hostName", "IP"}).join(u'\n').toStdString(),
              hosts.join(u'\n').toStdString());
    EXPECT_EQ(rows("tPrinter", {"Name", "HostName"}).join(u'\n').toStdString(),
              printers.join(u'\n').toStdString());
}
#endif

#ifdef VESK_DISCOVERY_PG
int main(int argc, char **argv)
{
    return vesk::test::runWithPostgresServer(argc, argv);
}
#endif
