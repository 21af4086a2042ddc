// The data module on a real SQLite file: lookups, datasets, message seam, tree file paths.
#include "Database.h"
#include "Errors.h"
#include "MainDM.h"
#include "PagedQueryModel.h"
#include "RecordColumns.h"
#include "ScriptedPresenter.h"
#include "SqlText.h"
#include "TestCatalogue.h"
#include "UnicodeNoCase.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace vesk;
using vesk::test::TestAppDir;

namespace {

class DataModule : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::prepareMini(dir);
        dm.acntVesk.ConnectionString = QStringLiteral("Provider=SQLite;Data Source=vesk.db");
        QString error;
        ASSERT_TRUE(dm.acntVesk.Open(dm.AppDir(), &error)) << error.toStdString();
        dm.setMessagePresenter(&boxes);
        exec(QStringLiteral("insert into tDept (Name, SuperName) values ('Sales', '-1')"));
        exec(QStringLiteral("insert into tHost (HostName) values ('PC-O''Neil')"));
        exec(QStringLiteral(
            "insert into tPrinter (Name, HostName, IsMonitor) values ('Laser', 'PC1', 1)"));
    }

    void exec(const QString &statement)
    {
        QSqlQuery q(dm.acntVesk.database());
        ASSERT_TRUE(q.exec(statement)) << statement.toStdString();
    }

    TestAppDir dir;
    TdmMain dm{TdmMain::Program::Console, dir.path()};
    test::ScriptedPresenter boxes;
};

} // namespace

TEST_F(DataModule, LookupsIgnoreLetterCaseOfTablesAndValues)
{
    EXPECT_TRUE(dm.RecordExists(QStringLiteral("tprinter"), QStringLiteral("HostName"),
                                QStringLiteral("pc1")));
    EXPECT_TRUE(
        dm.RecordExists(QStringLiteral("TDEPT"), QStringLiteral("name"), QStringLiteral("SALES")));
    EXPECT_FALSE(dm.RecordExists(QStringLiteral("tprinter"), QStringLiteral("HostName"),
                                 QStringLiteral("PC2")));
    EXPECT_TRUE(dm.RecordMissing(QStringLiteral("tprinter"), QStringLiteral("name"),
                                 QStringLiteral("Inkjet")));
    EXPECT_FALSE(dm.RecordMissing(QStringLiteral("tprinter"), QStringLiteral("name"),
                                  QStringLiteral("LASER")));
}

TEST_F(DataModule, IsFreeValueAllowsKeepingANameAndQuotesValues)
{
    EXPECT_TRUE(dm.IsFreeValue(QStringLiteral("TDept"), QStringLiteral("name"),
                               QStringLiteral("Sales"), QStringLiteral("Sales")));
    EXPECT_FALSE(dm.IsFreeValue(QStringLiteral("TDept"), QStringLiteral("name"),
                                QStringLiteral("sales"), QStringLiteral("Head Office")));
    EXPECT_TRUE(dm.IsFreeValue(QStringLiteral("TDept"), QStringLiteral("name"),
                               QStringLiteral("Stores"), QStringLiteral("Sales")));
    // A quote in a value stays inside the quoted text: found, not an SQL error.
    EXPECT_FALSE(dm.IsFreeValue(QStringLiteral("THost"), QStringLiteral("Hostname"),
                                QStringLiteral("pc-o'neil"), QStringLiteral("PC9")));
    EXPECT_TRUE(dm.RecordExists(QStringLiteral("thost"), QStringLiteral("HostName"),
                                QStringLiteral("PC-O'Neil")));
}

TEST_F(DataModule, AValueThatLooksLikeSqlStaysAValue)
{
    exec(QStringLiteral("insert into tPrinterData (PrinterName) values ('A')"));
    const QString hostile = QStringLiteral("CDate(\"; delete from tPrinterData; --\")");
    EXPECT_FALSE(dm.RecordExists(QStringLiteral("thost"), QStringLiteral("HostName"), hostile));
    exec(QStringLiteral("insert into tHost (HostName) values (") + QuotedStr(hostile) + u')');
    EXPECT_TRUE(dm.RecordExists(QStringLiteral("thost"), QStringLiteral("HostName"), hostile));
    EXPECT_TRUE(dm.RecordExists(QStringLiteral("tPrinterData"), QStringLiteral("PrinterName"),
                                QStringLiteral("a")));
}

TEST(StatementTranslation, OnlyTheStatementsOwnTextIsRewritten)
{
    const struct
    {
        const char *driver;
        const char *statement;
        const char *expected;
    } cases[] = {
        // Dates reach both engines single-quoted; a double-quoted name stays a name.
        {"QSQLITE", R"sql(select [a] from t where PrintTime>=CDate("2024-03-01") and "x"=1)sql",
         R"sql(select [a] from t where PrintTime>=CDate('2024-03-01') and "x"=1)sql"},
        {"QPSQL", R"sql(select [a] from t where PrintTime>=cdate ( "2024-03-01" ) and "x"=1)sql",
         R"sql(select "a" from t where PrintTime>=CDate('2024-03-01') and "x"=1)sql"},
        // Inside a quoted value nothing changes, whatever the value holds.
        {"QSQLITE", R"sql(select 1 from t where h like '%CDate("; delete from t; --")%')sql",
         R"sql(select 1 from t where h like '%CDate("; delete from t; --")%')sql"},
        {"QPSQL", R"sql(select 1 from t where h='CDate("; delete from t; --")' and g='[x]''')sql",
         R"sql(select 1 from t where h='CDate("; delete from t; --")' and g='[x]''')sql"},
        {"QPSQL", R"sql(select 1 from t where h like '%CDate("x'')") --")%')sql",
         R"sql(select 1 from t where h like '%CDate("x'')") --")%')sql"},
        // Part of a longer name is no CDate.
        {"QSQLITE", R"sql(select MyCDate("2024-03-01"))sql",
         R"sql(select MyCDate("2024-03-01"))sql"},
    };
    for (const auto &c : cases) {
        const QString name = QStringLiteral("translate-only");
        {
            // Never opened: the text depends only on the engine.
            const QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(c.driver), name);
            EXPECT_EQ(translateStatement(db, QString::fromUtf8(c.statement)).toStdString(),
                      c.expected)
                << c.driver << ": " << c.statement;
        }
        QSqlDatabase::removeDatabase(name);
    }
}

TEST(PageStatement, OrdersByTheStatementThenTheRowKeyAndLimits)
{
    const struct
    {
        const char *driver;
        const char *statement;
        int offset;
        const char *expected;
    } cases[] = {
        {"QSQLITE", "select * from tHost", 512,
         "select * from tHost order by rowid limit 256 offset 512"},
        {"QPSQL", "select * from tHost ", 0,
         "select * from tHost order by ctid limit 256 offset 0"},
        // The key runs the way the last sort key does; words in a value are no sort.
        {"QSQLITE", "select * from t where a='x order by y' order by PrintTime DESC", 0,
         "select * from t where a='x order by y' order by PrintTime DESC, rowid DESC limit 256 "
         "offset 0"},
        {"QPSQL", "select * from t where a='x order by y desc'", 256,
         "select * from t where a='x order by y desc' order by ctid limit 256 offset 256"},
        {"QPSQL", "select * from t order by [HostName] ASC", 0,
         "select * from t order by \"HostName\" ASC, ctid limit 256 offset 0"},
        // PostgreSQL's print records: time first where no order is asked for, so a search can
        // take the time index; then the key column.
        {"QPSQL", "select * from tPrinterData where PrintTime>=CDate(\"2026-12-01\")", 0,
         "select * from tPrinterData where PrintTime>=CDate('2026-12-01') order by PrintTime, "
         "RecordKey limit 256 offset 0"},
        // A sort on a column whose index carries the page counts breaks ties by them first, so
        // the index alone gives the order.
        {"QPSQL", "select * from tPrinterData order by PrinterName DESC", 0,
         "select * from tPrinterData order by PrinterName DESC, TotalPageCount DESC, RecordKey "
         "DESC limit 256 offset 0"},
        {"QSQLITE", "select * from tPrinterData where x=1 order by [PrintTime] ASC", 9984,
         "select * from tPrinterData where x=1 order by [PrintTime] ASC, TotalPageCount, rowid "
         "limit 256 offset 9984"},
        {"QSQLITE", "select * from tPrinterData order by documentName", 0,
         "select * from tPrinterData order by documentName, rowid limit 256 offset 0"},
        {"QSQLITE", "select * from tPrinterData", 0,
         "select * from tPrinterData order by rowid limit 256 offset 0"},
    };
    for (const auto &c : cases) {
        const QString name = QStringLiteral("page-only");
        {
            const QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(c.driver), name);
            EXPECT_EQ(
                pageStatement(db, QLatin1String(c.statement), c.offset, PagedQueryModel::PageRows)
                    .toStdString(),
                c.expected)
                << c.driver << ": " << c.statement;
        }
        QSqlDatabase::removeDatabase(name);
    }
}

TEST_F(DataModule, DatabaseErrorsReachTheCaller)
{
    EXPECT_THROW(
        dm.RecordExists(QStringLiteral("tNoSuchTable"), QStringLiteral("x"), QStringLiteral("y")),
        VeskError);
}

TEST_F(DataModule, MessageBoxesAreTitledAndAnsweredThroughTheSeam)
{
    dm.OpenIniFile(dir.file(QStringLiteral("Mini.ini")));
    dm.ShowMsg(QStringLiteral("Saved"), MB_ICONINFORMATION);
    boxes.answer(IDCANCEL);
    EXPECT_EQ(dm.AskOkCancel(QStringLiteral("Delete?"), MB_ICONQUESTION), IDCANCEL);
    EXPECT_EQ(dm.AskOkCancel(QStringLiteral("Delete?"), MB_ICONEXCLAMATION), IDOK);
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Confirm"));
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONINFORMATION | MB_OK));
    EXPECT_EQ(boxes.shown[1].style, unsigned(MB_ICONQUESTION | MB_OKCANCEL));
    EXPECT_EQ(boxes.shown[2].style, unsigned(MB_ICONEXCLAMATION | MB_OKCANCEL));
}

TEST_F(DataModule, DatasetsDeclareFieldsInOrderAndTakeLabels)
{
    ASSERT_TRUE(dm.aqryPrinterData->Open());
    const QSqlRecord rec = dm.aqryPrinterData->model()->record();
    ASSERT_EQ(rec.count(), PrinterDataColumnCount);
    const auto &fields = dm.aqryPrinterData->Fields();
    ASSERT_EQ(fields.size(), size_t(PrinterDataColumnCount));
    for (int i = 0; i < PrinterDataColumnCount; ++i)
        EXPECT_EQ(rec.fieldName(i).toLower(), fields[size_t(i)].name.toLower());
    EXPECT_EQ(dm.aqryPrinterData->displayWidth(QStringLiteral("documentName")), 19);

    dm.OpenIniFile(dir.file(QStringLiteral("Mini.ini")));
    dm.applyDisplayLabels();
    const auto header = [&](const QString &f) {
        return dm.aqryPrinterData->model()
            ->headerData(dm.aqryPrinterData->columnOf(f), Qt::Horizontal)
            .toString();
    };
    EXPECT_EQ(header(QStringLiteral("PrinterName")), QStringLiteral("Printer"));
    EXPECT_EQ(header(QStringLiteral("MAC")), QStringLiteral("MAC"));
    EXPECT_EQ(dm.aqryHost->displayLabel(QStringLiteral("IP")), QStringLiteral("IP"));
    EXPECT_EQ(dm.aqryPrinter->displayLabel(QStringLiteral("IsMonitor")),
              QStringLiteral("Monitored"));
}

TEST(DataModuleAgent, AgentDatasetsMatchTheAgentsStatements)
{
    TdmMain agent(TdmMain::Program::Agent, QStringLiteral("/tmp/app"));
    EXPECT_EQ(agent.aqryPrinterData->SQL,
              QStringLiteral("select * from tPrinterData where printerName='aaaaaaaaaaaa'"));
    EXPECT_EQ(agent.aqryPrinter->Fields().size(), 7u);
    EXPECT_TRUE(agent.aqryHost->Fields().empty());
    EXPECT_EQ(agent.aqryDept, nullptr);
}

TEST(DataModulePaths, TreeFilesLieBelowTheApplicationFolder)
{
    TdmMain dm(TdmMain::Program::Console, QStringLiteral("/opt/vesk"));
    EXPECT_EQ(dm.AppDir(), QStringLiteral("/opt/vesk/"));
    EXPECT_EQ(dm.GetTreeDateFile(), QStringLiteral("/opt/vesk//Data/NetDate.dat"));
    EXPECT_EQ(dm.GetDeptTreeDateFile(), QStringLiteral("/opt/vesk//Data/DeptTreeData.dat"));
}

TEST_F(DataModule, CDateRangeIncludesItsEndOnlyAtMidnight)
{
    for (const char *t : {"2026-11-30 23:59:59", "2026-12-01 00:00:00", "2026-12-01 09:30:00",
                          "2026-12-02 00:00:00", "2026-12-02 00:00:01"})
        exec(QStringLiteral("insert into tPrinterData (PrinterName, PrintTime) values ('P', '%1')")
                 .arg(QLatin1String(t)));
    QSqlQuery q(dm.acntVesk.database());
    ASSERT_TRUE(q.exec(QStringLiteral("select PrintTime from tPrinterData where "
                                      "PrintTime>=CDate(\"2026-12-01\")  AND "
                                      "PrintTime<=CDate(\"2026-12-02\") order by PrintTime")));
    QStringList got;
    while (q.next())
        got << q.value(0).toString();
    EXPECT_EQ(got, QStringList({QStringLiteral("2026-12-01 00:00:00"),
                                QStringLiteral("2026-12-01 09:30:00"),
                                QStringLiteral("2026-12-02 00:00:00")}));
    // Unreadable text gives NULL, which matches nothing.
    ASSERT_TRUE(
        q.exec(QStringLiteral("select count(*) from tPrinterData where PrintTime>=CDate('junk')")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 0);
}

TEST_F(DataModule, ThreadConnectionsGetCDateToo)
{
    const OpenResult r =
        cloneDatabaseForThread(dm.acntVesk.connectionName(), QStringLiteral("clone"));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    {
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("clone"), false));
        ASSERT_TRUE(q.exec(QStringLiteral("select CDate('2026-01-05')")));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toString(), QStringLiteral("2026-01-05 00:00:00"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("clone"));
}

TEST_F(DataModule, AnOpenDatasetLeavesTheConnectionFreeToSeeAndWrite)
{
    // The agent's host dataset, opened at start-up over more hosts than one page.
    exec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where "
                        "i<300) insert into tHost (HostName) select 'PC' || i from n"));
    ASSERT_TRUE(dm.aqryHost->Open());
    ASSERT_TRUE(dm.aqryHost->model()->canFetchMore());

    const OpenResult other = cloneDatabaseForThread(dm.acntVesk.connectionName(), "other");
    ASSERT_TRUE(other.ok) << other.error.toStdString();
    {
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("other"), false));
        ASSERT_TRUE(q.exec(QStringLiteral("insert into tHost (HostName) values ('NEW')")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));

    EXPECT_TRUE(dm.RecordExists(QStringLiteral("tHost"), QStringLiteral("HostName"),
                                QStringLiteral("new")));
    QSqlDatabase db = dm.acntVesk.database();
    QString error;
    ASSERT_TRUE(beginWrite(db, &error)) << error.toStdString();
    rollbackWrite(db);
    while (dm.aqryHost->model()->canFetchMore())
        dm.aqryHost->model()->fetchMore();
    EXPECT_EQ(dm.aqryHost->model()->rowCount(), 302);
}

TEST(UnicodeLike, PatternsIgnoreLetterCaseBeyondAscii)
{
    const struct
    {
        const char *pattern;
        const char *text;
        bool matches;
        char escape;
    } cases[] = {
        {"%müller%", "Herr MÜLLER", true, 0},
        {"иван%", "ИВАНОВ", true, 0},
        {"αθ_να", "ΑΘΗΝΑ", true, 0},
        {"%pc_01", "PC-01", true, 0},
        {"%b%c", "abxbc", true, 0},
        {"%x", "y", false, 0},
        {"_", "", false, 0},
        {"%", "", true, 0},
        {"a\\%b", "A%B", true, '\\'},
        {"a\\%b", "axb", false, '\\'},
        {"\\\\srv%", "\\\\SRV\\laser", true, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(likeMatches(QString::fromUtf8(c.pattern), QString::fromUtf8(c.text),
                              QChar::fromLatin1(c.escape)),
                  c.matches)
            << c.pattern << " / " << c.text;
}

TEST_F(DataModule, LetterCaseIsIgnoredBeyondAsciiAndTheIndexesStillServe)
{
    for (const char *name : {"MÜLLER-PC", "ИВАНОВ", "ΑΘΗΝΑ"})
        exec(QStringLiteral("insert into tHost (HostName) values ('%1')")
                 .arg(QString::fromUtf8(name)));
    for (const char *name : {"müller-pc", "иванов", "αθηνα"}) {
        const QString n = QString::fromUtf8(name);
        EXPECT_TRUE(dm.RecordExists(QStringLiteral("tHost"), QStringLiteral("HostName"), n))
            << name;
        EXPECT_FALSE(dm.IsFreeValue(QStringLiteral("tHost"), QStringLiteral("HostName"), n,
                                    QStringLiteral("PC9")))
            << name;
    }
    QSqlQuery q(dm.acntVesk.database());
    const auto first = [&q](const QString &statement) {
        EXPECT_TRUE(q.exec(statement)) << statement.toStdString();
        return q.next() ? q.value(0).toString() + u' ' + q.value(3).toString() : QString();
    };
    EXPECT_EQ(first(QStringLiteral("select count(*) from tHost where HostName like '%ünchen%' or "
                                   "HostName like '%üller%'")),
              QStringLiteral("1 "));
    EXPECT_TRUE(first(QStringLiteral("explain query plan select * from tHost where "
                                     "HostName='müller-pc'"))
                    .contains(QStringLiteral("ixHostName")));
    EXPECT_TRUE(first(QStringLiteral("explain query plan select * from tPrinterData where "
                                     "PrintTime>=CDate('2024-03-01') and PrintTime<=CDate("
                                     "'2024-03-31') and hostName like '%pc01%'"))
                    .contains(QStringLiteral("ixPrinterDataTime")));
}

TEST(DataModuleFile, IndexesWrittenUnderTheAsciiRuleAreRebuiltOnce)
{
    TestAppDir dir;
    test::prepareMini(dir);
    {
        // A tool's connection: SQLite's own NOCASE, which orders "É" before "à" and "é" after.
        QSqlDatabase tool = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "tool");
        tool.setDatabaseName(dir.databaseFile());
        ASSERT_TRUE(tool.open());
        QSqlQuery q(tool);
        for (const char *name : {"É1", "à2", "é3", "Z4", "Ä5", "ä6"})
            ASSERT_TRUE(q.exec(QStringLiteral("insert into tHost (HostName) values ('%1')")
                                   .arg(QString::fromUtf8(name))));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("tool"));
    TdmMain dm(TdmMain::Program::Console, dir.path());
    dm.acntVesk.ConnectionString = QStringLiteral("Provider=SQLite;Data Source=vesk.db");
    QString error;
    ASSERT_TRUE(dm.acntVesk.Open(dm.AppDir(), &error)) << error.toStdString();
    QSqlQuery q(dm.acntVesk.database());
    ASSERT_TRUE(q.exec(QStringLiteral("pragma integrity_check")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("ok"));
    EXPECT_TRUE(
        dm.RecordExists(QStringLiteral("tHost"), QStringLiteral("HostName"), QStringLiteral("é1")));
    EXPECT_TRUE(
        dm.RecordExists(QStringLiteral("tHost"), QStringLiteral("HostName"), QStringLiteral("Ä6")));
}

TEST_F(DataModule, DatesReachSqliteSingleQuoted)
{
    // As a libsqlite3 built without double-quoted string literals reads statements.
    QSqlDatabase db = dm.acntVesk.database();
    const QVariant v = db.driver()->handle();
    ASSERT_STREQ(v.typeName(), "sqlite3*");
    sqlite3 *h = *static_cast<sqlite3 *const *>(v.constData());
    ASSERT_EQ(sqlite3_db_config(h, SQLITE_DBCONFIG_DQS_DML, 0, nullptr), SQLITE_OK);
    exec(QStringLiteral("insert into tPrinterData (PrintTime) values ('2026-12-01 10:00:00')"));
    dm.aqryPrinterData->SQL =
        QStringLiteral("select * from tPrinterData where PrintTime>=CDate(\"2026-12-01\") and "
                       "PrintTime<=CDate(\"2026-12-02\")");
    QString error;
    ASSERT_TRUE(dm.aqryPrinterData->Open(&error)) << error.toStdString();
    EXPECT_EQ(dm.aqryPrinterData->model()->rowCount(), 1);
}

TEST_F(DataModule, AWriteTransactionKeepsOthersWaitingNotFailing)
{
    QSqlDatabase db = dm.acntVesk.database();
    QString error;
    ASSERT_TRUE(beginWrite(db, &error)) << error.toStdString();
    exec(QStringLiteral("insert into tPrinterData (PrinterName) values ('A')"));
    // Another program's writer, on a thread with a connection of its own, asks to write while
    // this one holds the transaction: it must wait for the commit, not fail as locked.
    std::atomic<bool> asking{false};
    bool began = false;
    int seen = -1;
    QString otherError;
    std::thread other([&] {
        const QString name = QStringLiteral("other-writer");
        {
            const OpenResult r = cloneDatabaseForThread(dm.acntVesk.connectionName(), name);
            otherError = r.error;
            QSqlDatabase odb = QSqlDatabase::database(name, false);
            asking = true;
            began = r.ok && beginWrite(odb, &otherError);
            QSqlQuery q(odb);
            if (began &&
                q.exec(QStringLiteral("insert into tPrinterData (PrinterName) values "
                                      "('B')")) &&
                q.exec(QStringLiteral("select count(*) from tPrinterData")) && q.next())
                seen = q.value(0).toInt();
            q.finish();
            if (began)
                commitWrite(odb, &otherError);
        }
        QSqlDatabase::removeDatabase(name);
    });
    while (!asking)
        std::this_thread::yield();
    // Held a while after the other asked, so its request meets the lock.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const bool committed = commitWrite(db, &error);
    other.join();
    ASSERT_TRUE(committed) << error.toStdString();
    EXPECT_TRUE(began) << otherError.toStdString();
    EXPECT_EQ(seen, 2); // it wrote after the first commit, which it sees
}
