// Trend figures of a print history search: pages and cost over time and the top names, read with
// GROUP BY.
#pragma once

#include "Totals.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

namespace vesk {

// How long one point of the time series is; chosen from the span of the records found.
enum class TrendBucket
{
    Day,
    Week, // Monday to Sunday
    Month
};

// The columns the totals are kept for, in the order the chart and the summary show them.
enum TrendGroup
{
    TrendDept,
    TrendPrinter,
    TrendHost,
    TrendEmployee,
    TrendGroupCount
};

// What the chart shows: pages (the bars and the top lists by pages) or cost.
enum class TrendMeasure
{
    Pages,
    Cost
};

struct TrendPoint
{
    QDate start; // first day of the bucket
    qint64 pages = 0;
    qint64 jobs = 0;
    qint64 cost = 0; // minor units; read with the figures that carry cost, else 0
};

struct TrendTotal
{
    QString name;
    qint64 pages = 0;
    qint64 jobs = 0;
    qint64 cost = 0; // minor units; records without a cost count 0
};

struct TrendData
{
    TrendBucket bucket = TrendBucket::Day;
    std::vector<TrendPoint> points;                  // in time order, empty buckets included
    std::vector<TrendTotal> totals[TrendGroupCount]; // most pages first
    // Most cost first, read with TrendFigures::WithCost (else empty).
    std::vector<TrendTotal> costTotals[TrendGroupCount];
    qint64 pages = 0;
    qint64 jobs = 0;
    // The job figures of the web overview, read when asked for (TrendFigures).
    qint64 pagesPrinted = 0;
    qint64 colourJobs = 0;
    qint64 duplexJobs = 0;
    qint64 cancelledJobs = 0;
    qint64 abortedJobs = 0;
    qint64 cost = 0;
};

// The column of tPrinterData that a group totals.
QString TrendGroupColumn(TrendGroup group);
// The catalogue key of the group's name ("RSDeptName", ...).
QString TrendGroupTitleKey(TrendGroup group);

// Days up to two months are shown one by one, up to two years by week, longer spans by month.
TrendBucket TrendBucketFor(const QDate &first, const QDate &last);
// The first day of the bucket that holds `day`.
QDate TrendBucketStart(TrendBucket bucket, const QDate &day);

// Whether the day statement also sums the pages printed and counts the colour, two-sided,
// cancelled and aborted jobs, and sums the cost. Without them it reads the days of every record
// from the PrintTime index alone (which carries the page count) instead of from the table.
// WithCost: the same days (each point with its cost) and the top lists by cost too (costTotals),
// so the chart can show either measure.
// GroupsOnly (with `top` 0): no points; the pages, jobs and cost are the sums of the
// departments' totals, which hold every record, so the kept totals need no day rows.
enum class TrendFigures
{
    PagesAndJobs,
    WithJobFigures,
    WithCost,
    GroupsOnly
};
// The figures a chart of `measure` needs.
TrendFigures TrendFiguresFor(TrendMeasure measure);
// The top list of a group the measure ranks by.
const std::vector<TrendTotal> &TrendTopList(const TrendData &data, TrendGroup group,
                                            TrendMeasure measure);

// Pages and jobs per day of the records that `filter` (a print history search's WHERE clause,
// empty for every record) selects, then the job figures when asked for.
QString TrendDayStatement(const QString &filter, TrendFigures figures = TrendFigures::PagesAndJobs);
// Pages, jobs and cost per value of the group's column, most pages first; `top` rows at most (0:
// all). With TotalsRanks::PagesAndCost, each row also carries its two ranks (as the kept totals'
// statement gives them).
QString TrendTotalsStatement(TrendGroup group, const QString &filter, int top,
                             TotalsRanks ranks = TotalsRanks::Pages);

// PostgreSQL, for a search with a filter: the days with their job figures and every group's
// totals from one statement, so the records are read once, not once per statement (GROUPING
// SETS, which SQLite lacks). Each row: the set's GROUPING() of the group columns (all set for
// the days), the name, the day, pages, jobs, the job figures; days in order, then each group
// most pages first, `top` rows at most. With TotalsRanks::PagesAndCost each row ends in its rank by
// cost too, and a name is in when either rank is within `top`.
QString TrendGroupingSetsStatement(const QString &filter, int top,
                                   TotalsRanks ranks = TotalsRanks::Pages);

// Runs the statements on `db` (the calling thread's connection) and folds the days into the
// buckets their span calls for. Only aggregate rows cross into the program. False with the
// database's text.
bool ReadTrendData(const QSqlDatabase &db, const QString &filter, int top, TrendData &data,
                   QString *error = nullptr, TrendFigures figures = TrendFigures::PagesAndJobs);

// A search as the records' filter and, where the kept totals hold all its conditions, as a
// totals search.
struct TrendSearch
{
    QString filter;
    std::optional<TotalsSearch> totals;
};

// The same figures, from the kept totals where the search has a totals form (a statement per
// group, each reading a row per name and month or day, not the records), else from the records.
bool ReadTrendData(const QSqlDatabase &db, const TrendSearch &search, int top, TrendData &data,
                   QString *error = nullptr, TrendFigures figures = TrendFigures::PagesAndJobs);

} // namespace vesk
