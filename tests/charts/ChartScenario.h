// The records and expected figures that the chart tests check on SQLite and on PostgreSQL.
#pragma once

#include "PrinterDataSearch.h"
#include "TrendData.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <gtest/gtest.h>

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
