// Opening a database brings it up to date, on both engines: older versions upgraded with their
// rows, a newer one refused, a failed step undone, two openers at once.
#include "CostTables.h"
#include "Database.h"
#include "PostgresServer.h"
#include "Schema.h"
#include "TestAppDir.h"
#include "Totals.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

using namespace vesk;

namespace {

constexpr int Rows = 3;
// The print record columns of version 4.
const char *const OutcomeColumns[] = {"JobOutcome", "PagesPrinted", "ColorPrint", "Duplex"};

class OpenUpgrades : public test::FreshPostgresDatabase,
                     public ::testing::WithParamInterface<DbEngine>
{
protected:
    void SetUp() override
    {
        if (GetParam() == DbEngine::PostgreSQL) {
            test::FreshPostgresDatabase::SetUp();
            if (IsSkipped() || HasFatalFailure())
                return;
            constr = test::postgresConstr(database);
        } else {
            dir.writeConfig();
            dir.write(QStringLiteral("vesk.db"), {});
            constr = QStringLiteral("Provider=SQLite;Data Source=vesk.db");
        }
        create();
    }
    // A new database with a few print records, open as "setup".
    void create()
    {
        ASSERT_TRUE(openDatabase(QStringLiteral("setup"), constr, dir.path()).ok);
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("setup"), false);
        QString error;
        ASSERT_TRUE(createSchema(
            db, [](const QString &) { return QStringLiteral("Head Office"); }, &error))
            << error.toStdString();
        for (int i = 0; i < Rows; ++i)
            exec(db, QStringLiteral("insert into tPrinterData (PrinterName, TotalPageCount) "
                                    "values ('P%1', %1)")
                         .arg(i));
    }
    void TearDown() override
    {
        for (const char *name : {"setup", "check", "a", "b"})
            QSqlDatabase::removeDatabase(QLatin1String(name));
    }

    static void exec(QSqlDatabase db, const QString &statement)
    {
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(statement)) << statement.toStdString();
    }
    QSqlDatabase setup() { return QSqlDatabase::database(QStringLiteral("setup"), false); }

    // Turns the new database back into one of an older version, as those versions made them.
    void makeVersion(int version)
    {
        QSqlDatabase db = setup();
        const bool pg = GetParam() == DbEngine::PostgreSQL;
        if (version == 10 && !pg) {
            // SQLite's log as version 10 made it, its figures not null, its waiting rows kept.
            for (const char *trigger : {"Insert", "Delete", "Update"})
                exec(db, QStringLiteral("drop trigger trTotals") + QLatin1String(trigger));
            exec(db, QStringLiteral("create table tTotalLogOld (PrintTime datetime, DeptName text "
                                    "collate NOCASE, PrinterName text collate NOCASE, hostName "
                                    "text collate NOCASE, EmName text collate NOCASE, Pages "
                                    "integer not null, Jobs integer not null, PagesPrinted "
                                    "integer not null, ColourJobs integer not null, DuplexJobs "
                                    "integer not null, CancelledJobs integer not null, "
                                    "AbortedJobs integer not null, Cost integer not null)"));
            exec(db, QStringLiteral("insert into tTotalLogOld select * from tTotalLog"));
            exec(db, QStringLiteral("drop table tTotalLog"));
            exec(db, QStringLiteral("alter table tTotalLogOld rename to tTotalLog"));
            for (const QString &trigger : totalsTriggerStatements(DbEngine::SQLite))
                exec(db, trigger);
        }
        if (version <= 9)
            exec(db, QStringLiteral("drop table tTotalYear"));
        if (version <= 8) {
            for (const char *trigger : {"Insert", "Delete", "Update", "Truncate"})
                exec(db, QStringLiteral("drop trigger if exists trTotals") +
                             QLatin1String(trigger) +
                             (pg ? QStringLiteral(" on tPrinterData") : QString()));
            for (const QString &table : CostTables())
                exec(db, QStringLiteral("drop table ") + table);
            exec(db, QStringLiteral("alter table tPrinterData drop column Cost"));
            exec(db, QStringLiteral("delete from tShowSetting where FieldName='Cost'"));
        }
        for (const QString &table : version <= 8 ? TotalsTables() : QStringList{})
            if (table != u"tTotalYear")
                exec(db, (version == 8 ? QStringLiteral("alter table %1 drop column Cost")
                                       : QStringLiteral("drop table %1"))
                             .arg(table));
        if (version <= 6)
            exec(db, QStringLiteral("drop table tMailSent"));
        if (version == 6)
            exec(db, QStringLiteral("alter table tWebAccount drop column Email"));
        if (version <= 5)
            exec(db, QStringLiteral("drop table tWebAccount"));
        if (version <= 3) {
            for (const char *column : OutcomeColumns)
                exec(db, QStringLiteral("alter table tPrinterData drop column ") +
                             QLatin1String(column));
            exec(db, QStringLiteral("delete from tShowSetting where Findex>=12"));
        }
        if (version <= 2 && pg)
            exec(db,
                 QStringLiteral("alter table tPrinterData drop column ") + PrinterDataKeyColumn);
        if (version <= 1) {
            exec(db, QStringLiteral("drop table tSavedRecord"));
            for (const char *index : {"Time:PrintTime", "Host:hostName", "Printer:PrinterName",
                                      "Dept:DeptName", "Em:EmName"}) {
                const QStringList p = QString::fromLatin1(index).split(u':');
                exec(db, QStringLiteral("drop index ixPrinterData") + p[0]);
                exec(db, QStringLiteral("create index ixPrinterData%1 on tPrinterData (%2)")
                             .arg(p[0], p[1]));
            }
        }
        exec(db, QStringLiteral("update tSchemaVersion set Version=%1").arg(version));
    }

    // The columns of an index, lower case, comma-separated.
    QString indexColumns(QSqlDatabase db, const QString &index)
    {
        QSqlQuery q(db);
        QStringList columns;
        if (GetParam() == DbEngine::SQLite) {
            q.exec(QStringLiteral("pragma index_info(%1)").arg(index));
            while (q.next())
                columns << q.value(2).toString().toLower();
            return columns.join(u',');
        }
        q.exec(QStringLiteral("select pg_get_indexdef('%1'::regclass)").arg(index.toLower()));
        const QString def = q.next() ? q.value(0).toString() : QString();
        return def.section(u'(', -1).section(u')', 0, 0).remove(u' ').toLower();
    }

    QString scalar(QSqlDatabase db, const QString &statement)
    {
        QSqlQuery q(db);
        return q.exec(statement) && q.next() ? q.value(0).toString() : QStringLiteral("<error>");
    }

    test::TestAppDir dir;
    QString constr;
};

} // namespace

TEST_P(OpenUpgrades, OlderAreBroughtUpToDateNewerRefusedFailuresUndone)
{
    const bool pg = GetParam() == DbEngine::PostgreSQL;
    const struct
    {
        int stored;          // version the database is made into
        const char *blocker; // a statement that makes the upgrade fail, or none
        bool opens;
        int after; // version found after the open
    } cases[] = {
        {1, nullptr, true, SchemaVersion},
        {2, nullptr, true, SchemaVersion},
        {3, nullptr, true, SchemaVersion},
        {7, nullptr, true, SchemaVersion},
        {9, nullptr, true, SchemaVersion},
        {8, nullptr, true, SchemaVersion},
        {10, nullptr, true, SchemaVersion},
        {SchemaVersion, nullptr, true, SchemaVersion},
        {SchemaVersion + 1, nullptr, false, SchemaVersion + 1},
        // A table where step 2 puts an index: the whole upgrade is rolled back.
        {1, "create table ixPrinterDataEm (x integer)", false, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stored);
        makeVersion(c.stored);
        if (c.blocker) {
            exec(setup(), QStringLiteral("drop index ixPrinterDataEm"));
            exec(setup(), QLatin1String(c.blocker));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("setup"));

        const OpenResult r = openDatabase(QStringLiteral("check"), constr, dir.path());
        EXPECT_EQ(r.ok, c.opens) << r.error.toStdString();
        EXPECT_EQ(r.newerSchema, c.stored > SchemaVersion ? c.stored : 0);
        // The database as it is now, read without the open's steps.
        QSqlDatabase raw =
            QSqlDatabase::cloneDatabase(QStringLiteral("check"), QStringLiteral("raw"));
        ASSERT_TRUE(raw.open());
        EXPECT_EQ(storedSchemaVersion(raw), c.after);
        EXPECT_EQ(scalar(raw, QStringLiteral("select count(*) from tPrinterData")),
                  QString::number(Rows));
        EXPECT_EQ(indexColumns(raw, QStringLiteral("ixPrinterDataTime")),
                  c.opens || c.stored >= 2 ? "printtime,totalpagecount" : "printtime");
        if (pg && c.after >= 3) {
            // Every kept row got its own key.
            EXPECT_EQ(scalar(raw, QStringLiteral("select count(distinct %1) from tPrinterData")
                                      .arg(PrinterDataKeyColumn)),
                      QString::number(Rows));
        }
        if (c.after >= 4) {
            // The job columns follow the record fields (and PostgreSQL's key), NULL in the kept
            // rows, and the settings list them out of the report.
            const QSqlRecord rec = raw.record(QStringLiteral("tprinterdata"));
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(rec.fieldName(rec.count() - 5 + i).toLower(),
                          QString::fromLatin1(OutcomeColumns[i]).toLower());
            EXPECT_EQ(scalar(raw, QStringLiteral("select count(*) from tPrinterData where "
                                                 "JobOutcome is null and PagesPrinted is null and "
                                                 "ColorPrint is null and Duplex is null")),
                      QString::number(Rows));
            EXPECT_EQ(scalar(raw, QStringLiteral("select count(*) from tShowSetting where "
                                                 "tableName='tPrinterData' and Findex>=12 and "
                                                 "IsVisible=0")),
                      c.after >= 9 ? u"5" : u"4");
        }
        if (c.after >= 9) {
            // Then the cost, NULL in the kept rows, in every total of them as 0; the totals
            // (kept or made) equal the records' sums and follow the next write.
            EXPECT_EQ(raw.record(QStringLiteral("tprinterdata"))
                          .fieldName(raw.record(QStringLiteral("tprinterdata")).count() - 1)
                          .toLower(),
                      u"cost");
            EXPECT_EQ(scalar(raw, QStringLiteral("select count(*) from tPrinterData where Cost is "
                                                 "null")),
                      QString::number(Rows));
            exec(raw, QStringLiteral("insert into tPrinterData (PrinterName, TotalPageCount, Cost) "
                                     "values ('P0', 2, 250)"));
            exec(raw, QStringLiteral("insert into tPrice (PrinterName, MonoPrice) values ('', 1)"));
            QString error;
            ASSERT_TRUE(beginWrite(raw, &error) && FoldTotals(raw, &error) &&
                        commitWrite(raw, &error))
                << error.toStdString();
            const auto differences = CheckTotals(raw, 5, &error);
            ASSERT_TRUE(differences) << error.toStdString();
            EXPECT_TRUE(differences->empty());
            EXPECT_EQ(scalar(raw, QStringLiteral("select Cost from tTotalMonth where Dim=1 and "
                                                 "Name='P0'")),
                      u"250");
            exec(raw, QStringLiteral("delete from tPrinterData where Cost is not null"));
        }
        if (!pg && c.opens) {
            // The log holds no constraint, and the triggers still write to it.
            EXPECT_EQ(
                scalar(raw, QStringLiteral("select count(*) from pragma_table_info('tTotalLog') "
                                           "where \"notnull\"")),
                u"0");
            EXPECT_EQ(scalar(raw, QStringLiteral("select count(*) from sqlite_master where "
                                                 "type='trigger' and tbl_name='tPrinterData'")),
                      u"3");
        }
        if (c.opens) {
            // The totals the steps built or summed agree with the records.
            QString error;
            const auto differences = CheckTotals(raw, 5, &error);
            ASSERT_TRUE(differences) << error.toStdString();
            EXPECT_TRUE(differences->empty());
        }
        raw = QSqlDatabase();
        for (const char *name : {"setup", "check", "raw"})
            QSqlDatabase::removeDatabase(QLatin1String(name));
        // The next case on a new database.
        if (pg) {
            test::FreshPostgresDatabase::SetUp();
            constr = test::postgresConstr(database);
        } else {
            for (const char *suffix : {"-wal", "-shm"})
                QFile::remove(dir.databaseFile() + QLatin1String(suffix));
            dir.write(QStringLiteral("vesk.db"), {});
        }
        create();
        ASSERT_FALSE(HasFatalFailure());
    }
}

TEST_P(OpenUpgrades, TwoProgramsOpeningAnOldDatabaseUpgradeItOnce)
{
    makeVersion(1);
    QSqlDatabase::removeDatabase(QStringLiteral("setup"));
    OpenResult a, b;
    const auto open = [this](const QString &name, OpenResult &result) {
        result = openDatabase(name, constr, dir.path());
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    };
    std::thread first(open, QStringLiteral("a"), std::ref(a));
    std::thread second(open, QStringLiteral("b"), std::ref(b));
    first.join();
    second.join();
    EXPECT_TRUE(a.ok) << a.error.toStdString();
    EXPECT_TRUE(b.ok) << b.error.toStdString();
    ASSERT_TRUE(openDatabase(QStringLiteral("check"), constr, dir.path()).ok);
    QSqlDatabase db = QSqlDatabase::database(QStringLiteral("check"), false);
    EXPECT_EQ(storedSchemaVersion(db), SchemaVersion);
    EXPECT_EQ(scalar(db, QStringLiteral("select count(*) from tPrinterData")),
              QString::number(Rows));
    EXPECT_EQ(scalar(db, QStringLiteral("select count(*) from tSchemaVersion")), u"1");
}

INSTANTIATE_TEST_SUITE_P(Engines, OpenUpgrades,
                         ::testing::Values(DbEngine::SQLite, DbEngine::PostgreSQL),
                         [](const auto &info) {
                             return info.param == DbEngine::SQLite ? "SQLite" : "PostgreSQL";
                         });
