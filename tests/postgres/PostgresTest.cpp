// The shared statements, schema, CDate and data module on PostgreSQL: one private server per run.
#include "Database.h"
#include "MainDM.h"
#include "PagedQueryModel.h"
#include "PostgresServer.h"
#include "Schema.h"
#include "TestAppDir.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace vesk;

namespace {

// Each test gets a database of its own on the shared server, opened as "pg".
class OnPostgres : public test::FreshPostgresDatabase
{
protected:
    void SetUp() override
    {
        test::FreshPostgresDatabase::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const OpenResult r = openDatabase(QStringLiteral("pg"), test::postgresConstr(database), {});
        ASSERT_TRUE(r.ok) << r.error.toStdString();
    }
    void TearDown() override { QSqlDatabase::removeDatabase(QStringLiteral("pg")); }

    QSqlDatabase db() { return QSqlDatabase::database(QStringLiteral("pg"), false); }
    void createTables()
    {
        QSqlDatabase d = db();
        QString error;
        ASSERT_TRUE(createSchema(
            d,
            [](const QString &k) { return k == u"RSDefaultDept" ? QStringLiteral("默认部门") : k; },
            &error))
            << error.toStdString();
    }
    QStringList column(const QString &statement)
    {
        QSqlDatabase d = db();
        QSqlQuery q(d);
        EXPECT_TRUE(q.exec(translateStatement(d, statement))) << statement.toStdString();
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out;
    }
};

} // namespace

TEST_F(OnPostgres, SchemaHoldsTheInitialRows)
{
    createTables();
    EXPECT_EQ(storedSchemaVersion(db()), SchemaVersion);
    EXPECT_EQ(column(QStringLiteral("select Name from tDept where SuperName='-1'")),
              QStringList{QStringLiteral("默认部门")});
    EXPECT_EQ(column(QStringLiteral("select count(*) from tShowSetting")),
              QStringList{QStringLiteral("27")});
    const QSqlRecord rec = db().record(QStringLiteral("tprinterdata"));
    // The twelve record fields, the key that pages them, the five appended after it.
    ASSERT_EQ(rec.count(), 18);
    EXPECT_EQ(rec.fieldName(6).toLower(), QStringLiteral("printtime"));
    EXPECT_EQ(rec.fieldName(12), PrinterDataKeyColumn.toLower());
}

TEST_F(OnPostgres, StatementsOfTheSharedDialectRunUnchanged)
{
    createTables();
    column(QStringLiteral("insert into THost (HostName, DeptName) values ('PC-Ölm', 'Sales')"));
    for (const char *t : {"2026-11-30 23:59:59", "2026-12-01 00:00:00", "2026-12-02 00:00:00",
                          "2026-12-02 08:00:00"})
        column(
            QStringLiteral("insert into tPrinterData (hostName, PrintTime) values ('pc-ölm', '%1')")
                .arg(QLatin1String(t)));
    // Names and values in any letter case, like, [alias], CDate with double quotes.
    EXPECT_EQ(
        column(QStringLiteral("select HostName as [Computer] from thost where deptname='SALES' "
                              "and HOSTNAME like '%ölm%'")),
        QStringList{QStringLiteral("PC-Ölm")});
    EXPECT_EQ(column(QStringLiteral(
                  "select PrintTime from tPrinterData  where PrintTime>=CDate(\"2026-12-01\")  "
                  "AND PrintTime<=CDate(\"2026-12-02\") order by PrintTime")),
              QStringList(
                  {QStringLiteral("2026-12-01 00:00:00"), QStringLiteral("2026-12-02 00:00:00")}));
    EXPECT_EQ(
        column(QStringLiteral("select CDate('2026-02-30') is null and CDate('today') is null")),
        QStringList{QStringLiteral("true")});
}

TEST_F(OnPostgres, DataModuleLookupsWork)
{
    createTables();
    test::TestAppDir dir;
    TdmMain dm(TdmMain::Program::Console, dir.path());
    dm.acntVesk.ConnectionString = test::postgresConstr(database);
    QString error;
    ASSERT_TRUE(dm.acntVesk.Open(dm.AppDir(), &error)) << error.toStdString();
    column(QStringLiteral(
        "insert into tPrinter (Name, HostName, IsMonitor) values ('O''Neil Laser', 'PC1', 1)"));
    EXPECT_TRUE(dm.RecordExists(QStringLiteral("tprinter"), QStringLiteral("Name"),
                                QStringLiteral("o'neil laser")));
    // Letter case beyond ASCII is ignored, as on SQLite.
    column(QStringLiteral("insert into tHost (HostName) values ('MÜLLER-PC')"));
    EXPECT_TRUE(dm.RecordExists(QStringLiteral("thost"), QStringLiteral("HostName"),
                                QStringLiteral("müller-pc")));
    EXPECT_TRUE(dm.IsFreeValue(QStringLiteral("TDept"), QStringLiteral("name"),
                               QStringLiteral("默认部门"), QStringLiteral("默认部门")));
    // A computer name typed in the printer list that looks like SQL stays a value.
    column(QStringLiteral("insert into tPrinterData (PrinterName) values ('A')"));
    EXPECT_FALSE(dm.RecordExists(QStringLiteral("thost"), QStringLiteral("HostName"),
                                 QStringLiteral("CDate(\"; delete from tPrinterData; --\")")));
    EXPECT_EQ(column(QStringLiteral("select count(*) from tPrinterData")),
              QStringList{QStringLiteral("1")});
    ASSERT_TRUE(dm.aqryPrinter->Open(&error)) << error.toStdString();
    EXPECT_EQ(dm.aqryPrinter->model()->rowCount(), 1);
}

TEST_F(OnPostgres, InitDbCreatesOnceOnAServer)
{
    test::TestAppDir dir;
    dir.write(QStringLiteral("Mini.ini"), QStringLiteral("[Lang]\nRSDefaultDept=Head Office\n"));
    dir.write(QStringLiteral("Config.ini"),
              QStringLiteral("[Connection]\nConstr=%1\n[Font]\nCharset=0\n"
                             "[Language]\nFileName=Mini.ini\n")
                  .arg(test::postgresConstr(database)));
    EXPECT_EQ(QProcess::execute(QStringLiteral(VESK_INITDB), {dir.path()}), 0);
    EXPECT_EQ(QProcess::execute(QStringLiteral(VESK_INITDB), {dir.path()}), 2);
    EXPECT_EQ(QProcess::execute(QStringLiteral(VESK_INITDB),
                                {QStringLiteral("--if-missing"), dir.path()}),
              0);
    EXPECT_EQ(column(QStringLiteral("select Name from tdept")),
              QStringList{QStringLiteral("Head Office")});
}

// A title click's read runs on the model's worker, in a session of its own that it keeps: through a
// cancelled and a failed statement, until the server ends it, and then in a new one.
TEST_F(OnPostgres, BackgroundReadsKeepTheirSessionUntilItIsLost)
{
    createTables();
    PagedQueryModel model;
    const QString pg = QStringLiteral("pg");
    const QString session = QStringLiteral("select pg_backend_pid() from tDept");
    QString failed;
    QObject::connect(&model, &PagedQueryModel::backgroundReadEnded,
                     [&](PagedQueryModel::ReadEnd, const QString &error) { failed = error; });
    const auto read = [&](const QString &statement) {
        model.setQueryInBackground(pg, statement);
        EXPECT_TRUE(QTest::qWaitFor([&] { return model.backgroundReadsEnded(); }, 60000));
        return failed.isEmpty() ? model.record(0).value(0).toString() : QString();
    };
    const QString first = read(session);
    ASSERT_FALSE(first.isEmpty());
    EXPECT_NE(first, column(QStringLiteral("select pg_backend_pid()")).value(0));

    model.setQueryInBackground(pg, QStringLiteral("select * from tDept where (select count(*) "
                                                  "from pg_sleep(600)) > 0"));
    const QString sleeping =
        QStringLiteral("select count(*) from pg_stat_activity where pid = %1 and state = 'active'")
            .arg(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return column(sleeping) == QStringList{"1"}; }, 60000));
    model.cancelBackgroundRead();
    EXPECT_TRUE(QTest::qWaitFor([&] { return model.backgroundReadsEnded(); }, 60000));
    EXPECT_EQ(read(QStringLiteral("select NoSuchField from tDept")), QString());
    EXPECT_EQ(read(session), first);

    column(QStringLiteral("select pg_terminate_backend(%1)").arg(first));
    const QString second = read(session);
    EXPECT_FALSE(second.isEmpty()) << failed.toStdString();
    EXPECT_NE(second, first);
}

int main(int argc, char **argv)
{
    return test::runWithPostgresServer(argc, argv);
}
