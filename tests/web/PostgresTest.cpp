// The scope table of routes x accounts on PostgreSQL (its own program: one private server), the
// handlers logged in as vesk_web, so its rights are shown to be enough for every route.
#include "Database.h"
#include "PostgresServer.h"
#include "ServerRoles.h"
#include "WebFixture.h"
#include "WebHttp.h"

#include <QGuiApplication>
#include <QSqlQuery>
#include <QUrl>

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

class WebOnPostgres : public FreshPostgresDatabase
{
protected:
    // The connection string of vesk-web's own login on the case's database.
    QString webLogin(WebFixture &f)
    {
        QString error;
        EXPECT_TRUE(
            applyServerRoles(f.db, {{WebRoleName(), QStringLiteral("web pw")}}, nullptr, &error))
            << error.toStdString();
        QString login = postgresConstr(database);
        return login.replace(QStringLiteral("User ID=postgres"),
                             QStringLiteral("User ID=vesk_web;Password=web pw"));
    }
};

TEST_F(WebOnPostgres, NoRouteShowsAnotherDepartmentsRowsCountsOrNames)
{
    WebFixture f(postgresConstr(database));
    const QString login = webLogin(f);
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

// vesk-web itself over HTTP on the server: the database server halts and comes back between two
// rounds of requests, and every request of the second is answered from a new connection.
TEST_F(WebOnPostgres, AnswersAfterTheDatabaseServerRestarted)
{
    WebFixture f(postgresConstr(database));
    f.addAccounts();
    f.addRecord(Finance, 4);
    f.addRecord(Sales, 9);
    WebServer server(f, QStringLiteral("Listen=127.0.0.1:0\nConstr=") + webLogin(f) + u'\n');
    ASSERT_GT(server.port, 0) << server.log.constData();
    const QByteArray signedIn = exchange(
        server.port,
        signInRequest(server.port, "name=head&password=" +
                                       QUrl::toPercentEncoding(QString::fromUtf8(Password))));
    ASSERT_EQ(statusOf(signedIn), 303) << signedIn.constData();
    const QByteArray setCookie = headerOf(signedIn, "Set-Cookie");
    const QByteArray cookie = setCookie.left(setCookie.indexOf(';'));
    // More requests than the server has threads, so that each thread's connection is used
    // before the restart and again after it.
    const auto round = [&](const char *when) {
        for (int i = 0; i < 8; ++i) {
            const QByteArray history = exchange(server.port, request("GET", "/history", cookie));
            EXPECT_EQ(statusOf(history), 200) << when << " " << i << history.constData();
            EXPECT_TRUE(history.contains("FIN-PC")) << when << " " << i;
        }
    };
    round("before");
    ASSERT_TRUE(PostgresServer::restart());
    round("after");
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
