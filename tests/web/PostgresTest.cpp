// The scope table of routes x accounts on PostgreSQL (its own program: one private server).
#include "PostgresServer.h"
#include "WebFixture.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

class WebOnPostgres : public FreshPostgresDatabase
{
};

TEST_F(WebOnPostgres, NoRouteShowsAnotherDepartmentsRowsCountsOrNames)
{
    WebFixture f(postgresConstr(database));
    ExpectScopeKept(f);
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
