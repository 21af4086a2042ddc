// Paging as the grids see it, on SQLite and on PostgreSQL: more rows than two pages, rows changed
// between page reads, every row shown exactly once.
#include "Database.h"
#include "PagedQueryModel.h"
#include "PostgresServer.h"
#include "Schema.h"
#include "TestAppDir.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

#include <map>

using namespace vesk;
using test::Engine;

namespace {

class Paging : public test::EngineCase
{
protected:
    Paging() : EngineCase(QStringLiteral("paging")) {}
};

TEST_P(Paging, RowsChangedBetweenPageReadsAreShownExactlyOnce)
{
    constexpr int Rows = 2 * PagedQueryModel::PageRows + 10;
    // Names N000..N521; PrinterName and hostName take few values, so sorts on them have ties
    // that cross page borders. Each change touches a row already shown and one not yet read,
    // in a column that is not the sort's.
    const struct
    {
        const char *label;
        const char *fill;      // with n from 0 to Rows - 1
        const char *statement; // the grid's statement
        const char *name;      // the column that tells the rows apart
        const char *change;    // run before each page after the first; %1 = the page's number
    } cases[] = {
        {"computers, unsorted",
         "insert into tHost (HostName, IP) select 'N' || lpad(n::text, 3, '0'), 'x' from seq",
         "select * from tHost", "HostName",
         "update tHost set IP = IP || '%1', MAC = 'm' where HostName in ('N000', 'N300', "
         "'N511')"},
        {"computers, sorted by IP",
         "insert into tHost (HostName, IP) select 'N' || lpad(n::text, 3, '0'), 'ip' || (n % 3) "
         "from seq",
         "select * from tHost order by IP DESC", "HostName",
         "update tHost set MAC = coalesce(MAC, '') || '%1' where HostName in ('N001', 'N300', "
         "'N520')"},
        {"print records, unsorted",
         "insert into tPrinterData (documentName, PrinterName, PrintTime) select 'N' || "
         "lpad(n::text, 3, '0'), "
         "'P' || (n % 2), '2026-12-01 10:00:00' from seq",
         "select * from tPrinterData", "documentName",
         "update tPrinterData set EmName = coalesce(EmName, '') || '%1', DeptName = 'd' where "
         "documentName in "
         "('N000', 'N300', 'N521')"},
        {"print records, sorted by printer",
         "insert into tPrinterData (documentName, PrinterName, PrintTime) select 'N' || "
         "lpad(n::text, 3, '0'), "
         "'P' || (n % 2), '2026-12-01 10:00:00' from seq",
         "select * from tPrinterData order by PrinterName", "documentName",
         "update tPrinterData set EmName = coalesce(EmName, '') || '%1', DeptName = 'd' where "
         "documentName in "
         "('N001', 'N300', 'N520')"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        exec(QStringLiteral("delete from tHost"));
        exec(QStringLiteral("delete from tPrinterData"));
        // lpad is PostgreSQL's; SQLite pads with printf.
        QString fill = QString::fromLatin1(c.fill);
        if (GetParam() == Engine::SQLite)
            fill.replace(QStringLiteral("lpad(n::text, 3, '0')"),
                         QStringLiteral("printf('%03d', n)"));
        exec(QStringLiteral("with recursive seq(n) as (select 0 union all select n + 1 from seq "
                            "where n < %1) ")
                 .arg(Rows - 1) +
             fill);
        PagedQueryModel model;
        QString error;
        ASSERT_TRUE(model.setQuery(Name, QLatin1String(c.statement), &error))
            << error.toStdString();
        for (int page = 1; model.canFetchMore(); ++page) {
            exec(QString::fromLatin1(c.change).arg(page));
            model.fetchMore();
        }
        EXPECT_TRUE(model.lastError().isEmpty()) << model.lastError().toStdString();
        const int column = model.record().indexOf(QLatin1String(c.name));
        ASSERT_GE(column, 0);
        std::map<QString, int> shown;
        for (int row = 0; row < model.rowCount(); ++row)
            ++shown[model.data(model.index(row, column)).toString()];
        EXPECT_EQ(model.rowCount(), Rows);
        EXPECT_EQ(int(shown.size()), Rows);
        for (const auto &[name, times] : shown)
            EXPECT_EQ(times, 1) << name.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, Paging, BothEngines);

} // namespace
