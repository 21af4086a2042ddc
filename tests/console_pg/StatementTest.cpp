// The search statements as PostgreSQL receives them: quoting of dates and like patterns.
#include "Database.h"
#include "PgConsoleFixture.h"
#include "PrinterDataSearch.h"

#include <QSqlDatabase>

using namespace vesk;

TEST(PgStatements, LikePatternsKeepTheirBackslashesAsCharacters)
{
    const QString name = QStringLiteral("translate-only");
    {
        // A connection that is never opened: the statement text depends only on the engine.
        const QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        EXPECT_EQ(
            translateStatement(
                db,
                QStringLiteral("select [a] from t where x like '%\\\\srv\\p''s%' and "
                               "y='c:\\dir' and z LIKE'\\' and PrintTime>=CDate(\"2024-03-01\")")),
            QStringLiteral("select \"a\" from t where x like '%\\\\\\\\srv\\\\p''s%' and "
                           "y='c:\\dir' and z LIKE'\\\\' and PrintTime>=CDate('2024-03-01')"));
        // Unlike ends no pattern: only the word like does.
        EXPECT_EQ(translateStatement(db, QStringLiteral("select 'unlike' from t where q='\\'")),
                  QStringLiteral("select 'unlike' from t where q='\\'"));
    }
    QSqlDatabase::removeDatabase(name);
}
