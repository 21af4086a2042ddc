// The records and expected figures that the chart tests check on SQLite and on PostgreSQL.
#pragma once

#include "PrinterDataSearch.h"
#include "TrendData.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace vesk::test {

struct ChartRow
{
    const char *printer, *host, *dept, *em;
    int pages;
    const char *time;
    int outcome, printed, colour, duplex;
};

// Four records in November (one of them quiet day apart), one in October outside the search.
inline const ChartRow ChartRows[] = {
    {"P1", "PC-A", "Sales", "Ann", 2, "2026-11-02 09:00:00", 1, 2, 1, 0},
    {"P1", "PC-A", "Sales", "Ann", 3, "2026-11-02 10:00:00", 2, 1, 0, 1},
    {"P2", "PC-B", "IT", "Bob", 10, "2026-11-04 11:00:00", 1, 10, 1, 1},
    {"P1", "PC-C", "it", "Cy", 1, "2026-11-05 12:00:00", 3, 0, 0, 0},
    {"P2", "PC-B", "IT", "Bob", 50, "2026-10-01 08:00:00", 2, 50, 1, 1},
};

inline void addChartRows(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("insert into tPrinterData (PrinterName, documentName, hostName, "
                             "TotalPageCount, PrintTime, EmName, DeptName, JobOutcome, "
                             "PagesPrinted, ColorPrint, Duplex) "
                             "values (?, 'x.doc', ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const ChartRow &r : ChartRows) {
        for (const QVariant &v :
             {QVariant(QString::fromLatin1(r.printer)), QVariant(QString::fromLatin1(r.host)),
              QVariant(r.pages), QVariant(QString::fromLatin1(r.time)),
              QVariant(QString::fromLatin1(r.em)), QVariant(QString::fromLatin1(r.dept)),
              QVariant(r.outcome), QVariant(r.printed), QVariant(r.colour), QVariant(r.duplex)})
            q.addBindValue(v);
        ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
    }
}

// A cost per record of ChartRows (minor units), ranking the names otherwise than their pages do.
inline const qint64 ChartCosts[] = {500, 250, 300, 1234, 50};

inline void setChartCosts(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("update tPrinterData set Cost = ? where PrintTime = ?"));
    for (size_t i = 0; i < std::size(ChartRows); ++i) {
        q.addBindValue(ChartCosts[i]);
        q.addBindValue(QString::fromLatin1(ChartRows[i].time));
        ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
    }
}

inline QString totalsText(const std::vector<TrendTotal> &totals)
{
    QStringList parts;
    for (const TrendTotal &t : totals)
        parts << QStringLiteral("%1:%2/%3").arg(t.name.toLower()).arg(t.pages).arg(t.jobs);
    return parts.join(u' ');
}

inline QString pointsText(const TrendData &d)
{
    QStringList parts;
    for (const TrendPoint &p : d.points)
        parts << QStringLiteral("%1:%2/%3")
                     .arg(p.start.toString(Qt::ISODate))
                     .arg(p.pages)
                     .arg(p.jobs);
    return parts.join(u' ');
}

// Names with their cost, and the points that have a cost.
inline QString costText(const std::vector<TrendTotal> &totals)
{
    QStringList parts;
    for (const TrendTotal &t : totals)
        parts << QStringLiteral("%1:%2").arg(t.name.toLower()).arg(t.cost);
    return parts.join(u' ');
}

inline QString pointCostText(const TrendData &d)
{
    QStringList parts;
    for (const TrendPoint &p : d.points)
        if (p.cost != 0)
            parts << QStringLiteral("%1:%2").arg(p.start.toString(Qt::ISODate)).arg(p.cost);
    return parts.join(u' ');
}

// The cost measure: each point's cost and the top lists by cost are the same from the records
// and from the kept totals; a name is in a list by its own measure's rank (top 2: PC-C by cost,
// PC-B by pages).
inline void checkCost(const QSqlDatabase &db)
{
    setChartCosts(db);
    const SearchStatement november =
        PrinterDataSearch({QDate(2026, 11, 1), QDate(2026, 12, 1), {}, {}, {}, {}, {}});
    ASSERT_TRUE(november.totals);
    const std::string novemberDays = "2026-11-02:750 2026-11-04:300 2026-11-05:1234";
    const struct
    {
        const char *path;
        TrendSearch search;
        int top;
        std::string days;
        const char *hostsByCost, *hostsByPages, *printersByCost, *deptsByCost;
    } cases[] = {
        {"records",
         {november.filter, {}},
         2,
         novemberDays,
         "pc-c:1234 pc-a:750",
         "pc-b:10/1 pc-a:5/2",
         "p1:1984 p2:300",
         "it:1534 sales:750"},
        {"totals",
         {november.filter, november.totals},
         2,
         novemberDays,
         "pc-c:1234 pc-a:750",
         "pc-b:10/1 pc-a:5/2",
         "p1:1984 p2:300",
         "it:1534 sales:750"},
        {"every record",
         {QString(), {}},
         0,
         "2026-10-01:50 " + novemberDays,
         "pc-c:1234 pc-a:750 pc-b:350",
         "pc-b:60/2 pc-a:5/2 pc-c:1/1",
         "p1:1984 p2:350",
         "it:1584 sales:750"},
        {"every record, totals",
         {QString(), TotalsSearch()},
         0,
         "2026-10-01:50 " + novemberDays,
         "pc-c:1234 pc-a:750 pc-b:350",
         "pc-b:60/2 pc-a:5/2 pc-c:1/1",
         "p1:1984 p2:350",
         "it:1584 sales:750"},
    };
    for (const auto &c : cases) {
        TrendData d;
        QString error;
        ASSERT_TRUE(ReadTrendData(db, c.search, c.top, d, &error, TrendFigures::WithCost))
            << c.path << ": " << error.toStdString();
        EXPECT_EQ(pointCostText(d).toStdString(), c.days) << c.path;
        EXPECT_EQ(costText(d.costTotals[TrendHost]).toStdString(), c.hostsByCost) << c.path;
        EXPECT_EQ(totalsText(d.totals[TrendHost]).toStdString(), c.hostsByPages) << c.path;
        EXPECT_EQ(costText(d.costTotals[TrendPrinter]).toStdString(), c.printersByCost) << c.path;
        EXPECT_EQ(costText(d.costTotals[TrendDept]).toStdString(), c.deptsByCost) << c.path;
    }
}

// November's search, names in any letter case grouped together as the searches match them.
inline void checkNovember(const QSqlDatabase &db)
{
    const QString filter =
        PrinterDataSearch({QDate(2026, 11, 1), QDate(2026, 12, 1), {}, {}, {}, {}, {}}).filter;
    TrendData d;
    QString error;
    ASSERT_TRUE(ReadTrendData(db, filter, 2, d, &error, TrendFigures::WithJobFigures))
        << error.toStdString();
    EXPECT_EQ(d.bucket, TrendBucket::Day);
    EXPECT_EQ(pointsText(d).toStdString(),
              "2026-11-02:5/2 2026-11-03:0/0 2026-11-04:10/1 2026-11-05:1/1");
    EXPECT_EQ(totalsText(d.totals[TrendDept]).toStdString(), "it:11/2 sales:5/2");
    EXPECT_EQ(totalsText(d.totals[TrendPrinter]).toStdString(), "p2:10/1 p1:6/3");
    EXPECT_EQ(totalsText(d.totals[TrendHost]).toStdString(), "pc-b:10/1 pc-a:5/2");
    EXPECT_EQ(totalsText(d.totals[TrendEmployee]).toStdString(), "bob:10/1 ann:5/2");
    EXPECT_EQ(d.pages, 16);
    EXPECT_EQ(d.jobs, 4);
    // The web overview's figures, read with the days.
    EXPECT_EQ(d.pagesPrinted, 13);
    EXPECT_EQ(d.colourJobs, 2);
    EXPECT_EQ(d.duplexJobs, 2);
    EXPECT_EQ(d.cancelledJobs, 1);
    EXPECT_EQ(d.abortedJobs, 1);

    // A department pattern and every record: the same statements with another clause.
    const QString it =
        PrinterDataSearch(
            {QDate(2026, 1, 1), QDate(2027, 1, 1), {}, {}, QStringLiteral("I"), {}, {}})
            .filter;
    ASSERT_TRUE(ReadTrendData(db, it, 0, d, &error)) << error.toStdString();
    EXPECT_EQ(totalsText(d.totals[TrendHost]).toStdString(), "pc-b:60/2 pc-c:1/1");
    EXPECT_EQ(d.points.size(), 36u); // 1 October to 5 November, one by one
    ASSERT_TRUE(ReadTrendData(db, QString(), 0, d, &error)) << error.toStdString();
    EXPECT_EQ(d.pages, 66);
}

} // namespace vesk::test
