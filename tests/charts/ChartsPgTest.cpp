// The chart's aggregate statements on a private PostgreSQL server: the figures SQLite gives.
#include "ChartScenario.h"
#include "Database.h"
#include "PostgresServer.h"
#include "Schema.h"

using namespace vesk;

using ChartsOnPostgres = test::FreshPostgresDatabase;

TEST_F(ChartsOnPostgres, GivesTheFiguresOfSqlite)
{
    const OpenResult r = openDatabase(QStringLiteral("charts"), test::postgresConstr(database), {});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("charts"));
        QString error;
        ASSERT_TRUE(createSchema(
            db, [](const QString &k) { return k; }, &error))
            << error.toStdString();
        test::addChartRows(db);
        test::checkNovember(db);
        test::checkCost(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("charts"));
}

int main(int argc, char **argv)
{
    return test::runWithPostgresServer(argc, argv);
}
