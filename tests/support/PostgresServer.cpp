// A private PostgreSQL server on loopback for a whole test program, and a new database per test.
#include "PostgresServer.h"

#include "Database.h"
#include "Schema.h"
#include "Skip.h"
#include "TestAppDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

namespace vesk::test {

void PostgresServer::SetUp()
{
    dir_ = QDir::tempPath() + QStringLiteral("/vesk-pg-") +
           QUuid::createUuid().toString(QUuid::WithoutBraces);
    QProcess p;
    p.start(QStringLiteral(VESK_PG_SERVER_SCRIPT), {QStringLiteral("start"), dir_});
    // A start still running after the bound is a server that did not start.
    if (!p.waitForFinished(StartBoundMs)) {
        p.kill();
        p.waitForFinished();
        startError =
            QStringLiteral("pg-server start took longer than %1 s").arg(StartBoundMs / 1000);
    } else if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) {
        port = QString::fromLatin1(p.readAllStandardOutput()).trimmed().toInt();
        if (port == 0)
            startError = QStringLiteral("pg-server start named no port");
    } else {
        startError = QString::fromUtf8(p.readAllStandardError());
    }
}

void PostgresServer::TearDown()
{
    QProcess::execute(QStringLiteral(VESK_PG_SERVER_SCRIPT), {QStringLiteral("stop"), dir_});
}

bool PostgresServer::restart()
{
    const QString script = QStringLiteral(VESK_PG_SERVER_SCRIPT);
    if (QProcess::execute(script, {QStringLiteral("halt"), dir_}) != 0)
        return false;
    QProcess p;
    p.start(script, {QStringLiteral("reopen"), dir_});
    return p.waitForFinished(StartBoundMs) && p.exitStatus() == QProcess::NormalExit &&
           p.exitCode() == 0 &&
           QString::fromLatin1(p.readAllStandardOutput()).trimmed().toInt() == port;
}

QString postgresConstr(const QString &database)
{
    return QStringLiteral("Provider=PostgreSQL;Host=127.0.0.1;Port=%1;Database=%2;User ID=postgres")
        .arg(PostgresServer::port)
        .arg(database);
}

void FreshPostgresDatabase::SetUp()
{
    if (PostgresServer::port == 0)
        VESK_SKIP() << "no PostgreSQL server: " << PostgresServer::startError.toStdString();
    static int counter = 0;
    database = QStringLiteral("vesk_test_%1").arg(++counter);
    {
        ASSERT_TRUE(
            openDatabase(QStringLiteral("admin"), postgresConstr(QStringLiteral("postgres")), {})
                .ok);
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("admin"), false));
        ASSERT_TRUE(q.exec(QStringLiteral("create database ") + database));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
}

QString EitherEngine::engineConstr()
{
    if (GetParam() == Engine::SQLite)
        return QStringLiteral("Provider=SQLite;Data Source=vesk.db");
    FreshPostgresDatabase::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return {};
    return postgresConstr(database);
}

void EitherEngine::openCaseDatabase(const QString &name, TestAppDir &folder)
{
    const QString constr = engineConstr();
    if (constr.isEmpty())
        return;
    if (GetParam() == Engine::SQLite)
        folder.prepareEnglish();
    const OpenResult r = openDatabase(name, constr, folder.path());
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    if (GetParam() == Engine::PostgreSQL) {
        QSqlDatabase d = QSqlDatabase::database(name, false);
        QString error;
        ASSERT_TRUE(createSchema(
            d, [](const QString &k) { return k; }, &error))
            << error.toStdString();
    }
}

void EngineCase::exec(const QString &statement, const QVariantList &values)
{
    QSqlDatabase d = db();
    QSqlQuery q(d);
    QString error;
    ASSERT_TRUE(runStatement(q, translateStatement(d, statement), values, &error))
        << error.toStdString() << " [" << statement.toStdString() << ']';
}

int runWithPostgresServer(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new PostgresServer);
    return RUN_ALL_TESTS();
}

} // namespace vesk::test
