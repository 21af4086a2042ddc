// Trend figures from aggregate statements; the rows themselves never leave the database.
#include "TrendData.h"

#include "Database.h"
#include "JobOutcome.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>

namespace vesk {

namespace {

constexpr qint64 DaysShownOneByOne = 62;
constexpr qint64 DaysShownByWeek = 731;

bool run(QSqlQuery &q, const QSqlDatabase &db, const QString &statement, QString *error)
{
    q.setForwardOnly(true);
    return execStatement(q, translateStatement(db, statement), error);
}

// The job figures after a day's pages and jobs, in TrendData's order.
QString jobFigures()
{
    return QStringLiteral("coalesce(sum(PagesPrinted), 0), "
                          "sum(case when ColorPrint=1 then 1 else 0 end), "
                          "sum(case when Duplex=1 then 1 else 0 end), "
                          "sum(case when JobOutcome=%1 then 1 else 0 end), "
                          "sum(case when JobOutcome=%2 then 1 else 0 end), "
                          "cast(coalesce(sum(Cost), 0) as bigint)")
        .arg(int(JobOutcome::Cancelled))
        .arg(int(JobOutcome::Aborted));
}

// Whether the day rows carry the job figures and the cost.
bool withJobFigures(TrendFigures figures)
{
    return figures == TrendFigures::WithJobFigures || figures == TrendFigures::WithCost;
}

// Adds a day row (the day at column `at`, then its pages, jobs and, when read, job figures) to
// the search's figures; a day without a readable time counts there but has no place on the axis.
void addDay(const QSqlQuery &q, int at, TrendFigures figures, TrendData &data,
            std::vector<TrendPoint> &days)
{
    const QDate day = QDate::fromString(q.value(at).toString(), Qt::ISODate);
    const qint64 pages = q.value(at + 1).toLongLong(), jobs = q.value(at + 2).toLongLong();
    qint64 cost = 0;
    data.pages += pages;
    data.jobs += jobs;
    if (withJobFigures(figures)) {
        data.pagesPrinted += q.value(at + 3).toLongLong();
        data.colourJobs += q.value(at + 4).toLongLong();
        data.duplexJobs += q.value(at + 5).toLongLong();
        data.cancelledJobs += q.value(at + 6).toLongLong();
        data.abortedJobs += q.value(at + 7).toLongLong();
        cost = q.value(at + 8).toLongLong();
        data.cost += cost;
    }
    if (day.isValid())
        days.push_back({day, pages, jobs, cost});
}

TotalsRanks ranksFor(TrendFigures figures)
{
    return figures == TrendFigures::WithCost ? TotalsRanks::PagesAndCost : TotalsRanks::Pages;
}

// A group's rows as they are read: in page rank order, each with its rank by cost when the
// statement ranked by cost too.
class GroupRows
{
public:
    GroupRows(int top, TotalsRanks ranks) : top_(top), ranks_(ranks) {}

    // `pageRank`, `costRank`: the row's ranks, read where the statement gives them.
    void add(TrendTotal total, qint64 pageRank, qint64 costRank)
    {
        if (ranks_ == TotalsRanks::Pages) {
            byPages_.push_back(std::move(total));
            return;
        }
        if (top_ <= 0 || costRank <= top_)
            byCost_.push_back({costRank, total});
        if (top_ <= 0 || pageRank <= top_)
            byPages_.push_back(std::move(total));
    }
    void moveInto(std::vector<TrendTotal> &byPages, std::vector<TrendTotal> &byCost)
    {
        byPages = std::move(byPages_);
        std::sort(byCost_.begin(), byCost_.end(),
                  [](const auto &a, const auto &b) { return a.first < b.first; });
        for (auto &[rank, total] : byCost_)
            byCost.push_back(std::move(total));
    }

private:
    int top_;
    TotalsRanks ranks_;
    std::vector<TrendTotal> byPages_;
    std::vector<std::pair<qint64, TrendTotal>> byCost_;
};

// GROUPING() of the group columns, in TrendGroup order: a set has its own column's bit clear.
constexpr int AllGroupBits = (1 << TrendGroupCount) - 1;
int groupingBits(TrendGroup group)
{
    return AllGroupBits & ~(1 << (TrendGroupCount - 1 - group));
}

void foldDays(const std::vector<TrendPoint> &days, TrendData &data)
{
    if (days.empty())
        return;
    data.bucket = TrendBucketFor(days.front().start, days.back().start);
    // Every bucket from the first to the last, so quiet days show as zero.
    const QDate last = TrendBucketStart(data.bucket, days.back().start);
    for (QDate d = TrendBucketStart(data.bucket, days.front().start); d <= last;) {
        data.points.push_back({d, 0, 0, 0});
        d = data.bucket == TrendBucket::Day    ? d.addDays(1)
            : data.bucket == TrendBucket::Week ? d.addDays(7)
                                               : d.addMonths(1);
    }
    size_t at = 0;
    for (const TrendPoint &day : days) {
        const QDate start = TrendBucketStart(data.bucket, day.start);
        while (data.points[at].start < start)
            ++at;
        data.points[at].pages += day.pages;
        data.points[at].jobs += day.jobs;
        data.points[at].cost += day.cost;
    }
}

// Each group's totals, most pages first (and most cost first where ranked so), from the
// statement `statementOf(group)` gives.
template <typename StatementOf>
bool readGroups(QSqlQuery &q, const QSqlDatabase &db, StatementOf statementOf, int top,
                TotalsRanks ranks, TrendData &data, QString *error)
{
    for (int g = 0; g < TrendGroupCount; ++g) {
        if (!run(q, db, statementOf(g), error))
            return false;
        GroupRows rows(top, ranks);
        // Ranked by pages alone the statement has no rank columns (PostgreSQL's driver warns
        // on every read past its last column).
        const bool ranked = ranks != TotalsRanks::Pages;
        while (q.next())
            rows.add({q.value(0).toString(), q.value(1).toLongLong(), q.value(2).toLongLong(),
                      q.value(3).toLongLong()},
                     ranked ? q.value(4).toLongLong() : 0, ranked ? q.value(5).toLongLong() : 0);
        q.finish();
        rows.moveInto(data.totals[g], data.costTotals[g]);
    }
    return true;
}

} // namespace

QString TrendGroupColumn(TrendGroup group)
{
    switch (group) {
    case TrendDept:
        return QStringLiteral("DeptName");
    case TrendPrinter:
        return QStringLiteral("PrinterName");
    case TrendHost:
        return QStringLiteral("hostName");
    case TrendEmployee:
    case TrendGroupCount:
        break;
    }
    return QStringLiteral("EmName");
}

QString TrendGroupTitleKey(TrendGroup group)
{
    switch (group) {
    case TrendDept:
        return QStringLiteral("RSDeptName");
    case TrendPrinter:
        return QStringLiteral("RSPrinterName");
    case TrendHost:
        return QStringLiteral("RShostName");
    case TrendEmployee:
    case TrendGroupCount:
        break;
    }
    return QStringLiteral("RSEmName");
}

TrendBucket TrendBucketFor(const QDate &first, const QDate &last)
{
    const qint64 days = first.daysTo(last) + 1;
    if (days <= DaysShownOneByOne)
        return TrendBucket::Day;
    if (days <= DaysShownByWeek)
        return TrendBucket::Week;
    return TrendBucket::Month;
}

QDate TrendBucketStart(TrendBucket bucket, const QDate &day)
{
    switch (bucket) {
    case TrendBucket::Day:
        break;
    case TrendBucket::Week:
        return day.addDays(1 - day.dayOfWeek());
    case TrendBucket::Month:
        return QDate(day.year(), day.month(), 1);
    }
    return day;
}

TrendFigures TrendFiguresFor(TrendMeasure measure)
{
    return measure == TrendMeasure::Cost ? TrendFigures::WithCost : TrendFigures::PagesAndJobs;
}

const std::vector<TrendTotal> &TrendTopList(const TrendData &data, TrendGroup group,
                                            TrendMeasure measure)
{
    return measure == TrendMeasure::Cost ? data.costTotals[group] : data.totals[group];
}

QString TrendDayStatement(const QString &filter, TrendFigures figures)
{
    // PrintTime is "yyyy-mm-dd hh:mm:ss" text on both engines: its first ten characters are the
    // day, and substr means the same to each.
    return QStringLiteral("select substr(PrintTime, 1, 10), coalesce(sum(TotalPageCount), 0), "
                          "count(*)") +
           (withJobFigures(figures) ? QStringLiteral(", ") + jobFigures() : QString()) +
           QStringLiteral(" from tPrinterData") + filter +
           QStringLiteral(" group by substr(PrintTime, 1, 10) order by 1");
}

QString TrendTotalsStatement(TrendGroup group, const QString &filter, int top, TotalsRanks ranks)
{
    const QString column = TrendGroupColumn(group);
    if (ranks == TotalsRanks::PagesAndCost)
        return TotalsRankedGroups(QStringLiteral("select ") + column +
                                      QStringLiteral(" n, coalesce(TotalPageCount, 0) p, 1 j, "
                                                     "coalesce(Cost, 0) co from tPrinterData") +
                                      filter,
                                  top, ranks);
    QString s = QStringLiteral("select ") + column +
                QStringLiteral(", coalesce(sum(TotalPageCount), 0), count(*), "
                               "cast(coalesce(sum(Cost), 0) as bigint) from tPrinterData") +
                filter + QStringLiteral(" group by ") + column +
                QStringLiteral(" order by 2 desc, 1");
    if (top > 0)
        s += QStringLiteral(" limit ") + QString::number(top);
    return s;
}

QString TrendGroupingSetsStatement(const QString &filter, int top, TotalsRanks ranks)
{
    const bool byCost = ranks == TotalsRanks::PagesAndCost;
    QStringList columns;
    for (int g = 0; g < TrendGroupCount; ++g)
        columns << TrendGroupColumn(TrendGroup(g));
    const QString names = columns.join(QStringLiteral(", "));
    // In each set the other group columns are NULL, so the coalesce is the set's own name (NULL
    // where the records have none), ordered as the column's type orders it.
    const QString name = QStringLiteral("coalesce(") + names + u')';
    const QString bits = QStringLiteral("grouping(") + names + u')';
    return QStringLiteral("select * from (select ") + bits + QStringLiteral(" s, ") + name +
           QStringLiteral(" n, substr(PrintTime, 1, 10) d, %1 p, count(*) j, %2, "
                          "row_number() over (partition by %3 order by %1 desc, %4) r%5 "
                          "from tPrinterData")
               .arg(QStringLiteral("coalesce(sum(TotalPageCount), 0)"), jobFigures(), bits, name,
                    byCost ? QStringLiteral(", row_number() over (partition by %1 order by "
                                            "coalesce(sum(Cost), 0) desc, %2) rc")
                                 .arg(bits, name)
                           : QString()) +
           filter + QStringLiteral(" group by grouping sets ((substr(PrintTime, 1, 10)), (") +
           columns.join(QStringLiteral("), (")) + QStringLiteral("))) t") +
           (top > 0 ? QStringLiteral(" where s = %1 or r <= %2%3")
                          .arg(AllGroupBits)
                          .arg(top)
                          .arg(byCost ? QStringLiteral(" or rc <= %1").arg(top) : QString())
                    : QString()) +
           QStringLiteral(" order by s, d, r");
}

bool ReadTrendData(const QSqlDatabase &db, const QString &filter, int top, TrendData &data,
                   QString *error, TrendFigures figures)
{
    data = TrendData();
    QSqlQuery q(db);
    std::vector<TrendPoint> days;
    // Without a filter each of the separate statements reads one index alone, which beats one
    // pass over the table (every record at 10M: 11 s against 23 s); with one, each of them would
    // read the same rows from the table again.
    const TotalsRanks ranks = ranksFor(figures);
    if (engineOf(db) == DbEngine::PostgreSQL && !filter.isEmpty()) {
        if (!run(q, db, TrendGroupingSetsStatement(filter, top, ranks), error))
            return false;
        std::vector<GroupRows> groups(TrendGroupCount, GroupRows(top, ranks));
        while (q.next()) {
            const int bits = q.value(0).toInt();
            if (bits == AllGroupBits) {
                addDay(q, 2, figures, data, days);
                continue;
            }
            for (int g = 0; g < TrendGroupCount; ++g)
                if (bits == groupingBits(TrendGroup(g)))
                    groups[size_t(g)].add({q.value(1).toString(), q.value(3).toLongLong(),
                                           q.value(4).toLongLong(), q.value(10).toLongLong()},
                                          q.value(11).toLongLong(), q.value(12).toLongLong());
        }
        q.finish();
        for (int g = 0; g < TrendGroupCount; ++g)
            groups[size_t(g)].moveInto(data.totals[g], data.costTotals[g]);
        foldDays(days, data);
        return true;
    }

    if (!run(q, db, TrendDayStatement(filter, figures), error))
        return false;
    while (q.next())
        addDay(q, 0, figures, data, days);
    q.finish();
    foldDays(days, data);

    // Each statement walks its column's index in name order when the search has no date range;
    // the cost comes from the table, as the indexes carry the page count alone.
    return readGroups(
        q, db, [&](int g) { return TrendTotalsStatement(TrendGroup(g), filter, top, ranks); }, top,
        ranks, data, error);
}

static_assert(int(TrendGroupCount) == TotalsDimCount && int(TrendHost) == int(TotalsDim::Host));

bool ReadTrendData(const QSqlDatabase &db, const TrendSearch &search, int top, TrendData &data,
                   QString *error, TrendFigures figures)
{
    if (!search.totals)
        return ReadTrendData(db, search.filter, top, data, error, figures);
    data = TrendData();
    const DbEngine engine = engineOf(db);
    QSqlQuery q(db);
    const bool groupsOnly = figures == TrendFigures::GroupsOnly && top == 0;
    std::vector<TrendPoint> days;
    if (!groupsOnly) {
        if (!run(q, db, TotalsDayStatement(engine, *search.totals), error))
            return false;
        while (q.next())
            addDay(q, 0, figures, data, days);
        q.finish();
        foldDays(days, data);
    }
    const TotalsRanks ranks = ranksFor(figures);
    if (!readGroups(
            q, db,
            [&](int g) {
                return TotalsGroupStatement(engine, TotalsDim(g), *search.totals, top, ranks);
            },
            top, ranks, data, error))
        return false;
    for (const TrendTotal &t : groupsOnly ? data.totals[TrendDept] : std::vector<TrendTotal>()) {
        data.pages += t.pages;
        data.jobs += t.jobs;
        data.cost += t.cost;
    }
    return true;
}

} // namespace vesk
