// The scope table of routes x accounts on PostgreSQL (its own program: one private server), the
// handlers logged in as vesk_web, so its rights are shown to be enough for every route.
#include "Database.h"
#include "PostgresServer.h"
#include "ServerRoles.h"
#include "WebFixture.h"

#include <QGuiApplication>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

class WebOnPostgres : public FreshPostgresDatabase
{
};

TEST_F(WebOnPostgres, NoRouteShowsAnotherDepartmentsRowsCountsOrNames)
{
    WebFixture f(postgresConstr(database));
    QString error;
    ASSERT_TRUE(
        applyServerRoles(f.db, {{WebRoleName(), QStringLiteral("web pw")}}, nullptr, &error))
        << error.toStdString();
    QString login = postgresConstr(database);
    login.replace(QStringLiteral("User ID=postgres"),
                  QStringLiteral("User ID=vesk_web;Password=web pw"));
    const OpenResult r = openDatabase(QStringLiteral("web-login"), login, f.dir.path());
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    f.appDb = QSqlDatabase::database(QStringLiteral("web-login"));
    QSqlQuery who(QStringLiteral("select current_user"), f.appDb);
    ASSERT_TRUE(who.next());
    EXPECT_EQ(who.value(0).toString(), WebRoleName());
    ExpectScopeKept(f);
    f.appDb = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("web-login"));
}

// As runWithPostgresServer, with a GUI application: the report's PDF needs fonts.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new PostgresServer);
    return RUN_ALL_TESTS();
}
