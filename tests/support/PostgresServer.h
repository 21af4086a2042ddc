// A private PostgreSQL server on loopback for a whole test program, and a new database per test.
#pragma once

#include "TestAppDir.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <gtest/gtest.h>

#include <utility>

namespace vesk::test {

// Starts scripts/pg-server once for the program and stops it at the end. When the server cannot
// start, `port` stays 0 and `startError` says why; the tests then skip (VESK_SKIP: they fail under
// CI=true), and vesk_add_pg_test makes ctest count the program skipped, not passed.
class PostgresServer : public ::testing::Environment
{
public:
    void SetUp() override;
    void TearDown() override;
    // Halts the server and opens it again on its port (scripts/pg-server halt, reopen), as a
    // restart of the database server does to the connections open on it; false when it did not
    // come back on that port.
    static bool restart();

    static constexpr int StartBoundMs = 300000;
    static inline int port = 0;
    static inline QString startError;

private:
    static inline QString dir_;
};

// The connection string for a database on the shared server.
QString postgresConstr(const QString &database);

// Each test gets a database of its own on the shared server, or is skipped without one.
class FreshPostgresDatabase : public ::testing::Test
{
protected:
    void SetUp() override;

    QString database;
};

// A case that runs once per engine: on SQLite's "vesk.db" in the case's folder, or on a fresh
// database of the shared server.
enum class Engine
{
    SQLite,
    PostgreSQL
};

class EitherEngine : public FreshPostgresDatabase, public ::testing::WithParamInterface<Engine>
{
protected:
    // The connection string of the case's database; empty when the case is skipped or failed.
    QString engineConstr();
    // Opens the case's database as connection `name`: SQLite's in `folder` (prepared with the
    // English catalogue), or a fresh one on the server with the schema made. Fails the case when
    // it cannot; returns at once when the case is skipped.
    void openCaseDatabase(const QString &name, TestAppDir &folder);
};

// A case on its engine's database, open as connection `Name` from SetUp to TearDown.
class EngineCase : public EitherEngine
{
protected:
    explicit EngineCase(QString name) : Name(std::move(name)) {}
    void SetUp() override { openCaseDatabase(Name, dir); }
    void TearDown() override { QSqlDatabase::removeDatabase(Name); }

    QSqlDatabase db() const { return QSqlDatabase::database(Name, false); }
    // Runs a statement written for SQLite, translated for the engine; fails the case on an error.
    void exec(const QString &statement, const QVariantList &values = {});

    const QString Name;
    TestAppDir dir;
};

// Both engines, named for the test's name: INSTANTIATE_TEST_SUITE_P(Engines, Suite, BothEngines).
#define BothEngines                                                                                \
    ::testing::Values(::vesk::test::Engine::SQLite, ::vesk::test::Engine::PostgreSQL),             \
        [](const auto &info) {                                                                     \
            return std::string(info.param == ::vesk::test::Engine::SQLite ? "SQLite"               \
                                                                          : "PostgreSQL");         \
        }

// The body of main for a program whose tests use the shared server.
int runWithPostgresServer(int argc, char **argv);

} // namespace vesk::test
