// The shared statements, schema, CDate and data module on PostgreSQL: one private server per run.
#include "Database.h"
#include "MainDM.h"
#include "Schema.h"
#include "TestAppDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

using namespace vesk;

namespace {

// Starts the server once for the whole program and stops it at the end.
class PostgresServer : public ::testing::Environment
{
public:
    void SetUp() override
    {
        dir_ = QDir::tempPath() + QStringLiteral("/vesk-pg-") +
               QUuid::createUuid().toString(QUuid::WithoutBraces);
        QProcess p;
        p.start(QStringLiteral(VESK_PG_SERVER_SCRIPT), {QStringLiteral("start"), dir_});
        p.waitForFinished(120000);
        if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            port = QString::fromLatin1(p.readAllStandardOutput()).trimmed().toInt();
        else
            startError = QString::fromUtf8(p.readAllStandardError());
    }
    void TearDown() override
    {
        QProcess::execute(QStringLiteral(VESK_PG_SERVER_SCRIPT), {QStringLiteral("stop"), dir_});
    }

    static inline int port = 0;
    static inline QString startError;

private:
    QString dir_;
};

QString constrFor(const QString &database)
{
    return QStringLiteral("Provider=PostgreSQL;Host=127.0.0.1;Port=%1;Database=%2;User ID=postgres")
        .arg(PostgresServer::port)
        .arg(database);
}

// Each test gets a database of its own on the shared server.
class OnPostgres : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (PostgresServer::port == 0)
            GTEST_SKIP() << "no PostgreSQL server: " << PostgresServer::startError.toStdString();
        static int counter = 0;
        database = QStringLiteral("vesk_test_%1").arg(++counter);
        {
            ASSERT_TRUE(
                openDatabase(QStringLiteral("admin"), constrFor(QStringLiteral("postgres")), {})
                    .ok);
            QSqlQuery q(QSqlDatabase::database(QStringLiteral("admin"), false));
            ASSERT_TRUE(q.exec(QStringLiteral("create database ") + database));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("admin"));
        const OpenResult r = openDatabase(QStringLiteral("pg"), constrFor(database), {});
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

    QString database;
};

} // namespace

TEST_F(OnPostgres, SchemaHoldsTheInitialRows)
{
    createTables();
    EXPECT_EQ(storedSchemaVersion(db()), SchemaVersion);
    EXPECT_EQ(column(QStringLiteral("select Name from tDept where SuperName='-1'")),
              QStringList{QStringLiteral("默认部门")});
    EXPECT_EQ(column(QStringLiteral("select count(*) from tShowSetting")),
              QStringList{QStringLiteral("22")});
    const QSqlRecord rec = db().record(QStringLiteral("tprinterdata"));
    ASSERT_EQ(rec.count(), 12);
    EXPECT_EQ(rec.fieldName(6).toLower(), QStringLiteral("printtime"));
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
    dm.acntVesk.ConnectionString = constrFor(database);
    QString error;
    ASSERT_TRUE(dm.acntVesk.Open(dm.AppDir(), &error)) << error.toStdString();
    column(QStringLiteral(
        "insert into tPrinter (Name, HostName, IsMonitor) values ('O''Neil Laser', 'PC1', 1)"));
    EXPECT_TRUE(dm.RecordExists(QStringLiteral("tprinter"), QStringLiteral("Name"),
                                QStringLiteral("o'neil laser")));
    EXPECT_TRUE(dm.IsFreeValue(QStringLiteral("TDept"), QStringLiteral("name"),
                               QStringLiteral("默认部门"), QStringLiteral("默认部门")));
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
                  .arg(constrFor(database)));
    EXPECT_EQ(QProcess::execute(QStringLiteral(VESK_INITDB), {dir.path()}), 0);
    EXPECT_EQ(QProcess::execute(QStringLiteral(VESK_INITDB), {dir.path()}), 2);
    EXPECT_EQ(QProcess::execute(QStringLiteral(VESK_INITDB),
                                {QStringLiteral("--if-missing"), dir.path()}),
              0);
    EXPECT_EQ(column(QStringLiteral("select Name from tdept")),
              QStringList{QStringLiteral("Head Office")});
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new PostgresServer);
    return RUN_ALL_TESTS();
}
