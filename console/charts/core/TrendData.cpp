// Trend figures from aggregate statements; the rows themselves never leave the database.
#include "TrendData.h"

#include "Database.h"
#include "JobOutcome.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

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

// Adds a day row (the day at column `at`, then its pages, jobs and, when read, job figures) to
// the search's figures; a day without a readable time counts there but has no place on the axis.
void addDay(const QSqlQuery &q, int at, TrendFigures figures, TrendData &data,
            std::vector<TrendPoint> &days)
{
    const QDate day = QDate::fromString(q.value(at).toString(), Qt::ISODate);
    const qint64 pages = q.value(at + 1).toLongLong(), jobs = q.value(at + 2).toLongLong();
    data.pages += pages;
    data.jobs += jobs;
    if (figures == TrendFigures::WithJobFigures) {
        data.pagesPrinted += q.value(at + 3).toLongLong();
        data.colourJobs += q.value(at + 4).toLongLong();
        data.duplexJobs += q.value(at + 5).toLongLong();
        data.cancelledJobs += q.value(at + 6).toLongLong();
        data.abortedJobs += q.value(at + 7).toLongLong();
        data.cost += q.value(at + 8).toLongLong();
    }
    if (day.isValid())
        days.push_back({day, pages, jobs});
}

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
        data.points.push_back({d, 0, 0});
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
    }
}

// Each group's totals, most pages first, from the statement `statementOf(group)` gives.
template <typename StatementOf>
bool readGroups(QSqlQuery &q, const QSqlDatabase &db, StatementOf statementOf, TrendData &data,
                QString *error)
{
    for (int g = 0; g < TrendGroupCount; ++g) {
        if (!run(q, db, statementOf(g), error))
            return false;
        while (q.next())
            data.totals[g].push_back({q.value(0).toString(), q.value(1).toLongLong(),
                                      q.value(2).toLongLong(), q.value(3).toLongLong()});
        q.finish();
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

QString TrendDayStatement(const QString &filter, TrendFigures figures)
{
    // PrintTime is "yyyy-mm-dd hh:mm:ss" text on both engines: its first ten characters are the
    // day, and substr means the same to each.
    return QStringLiteral("select substr(PrintTime, 1, 10), coalesce(sum(TotalPageCount), 0), "
                          "count(*)") +
           (figures == TrendFigures::WithJobFigures ? QStringLiteral(", ") + jobFigures()
                                                    : QString()) +
           QStringLiteral(" from tPrinterData") + filter +
           QStringLiteral(" group by substr(PrintTime, 1, 10) order by 1");
}

QString TrendTotalsStatement(TrendGroup group, const QString &filter, int top)
{
    const QString column = TrendGroupColumn(group);
    QString s = QStringLiteral("select ") + column +
                QStringLiteral(", coalesce(sum(TotalPageCount), 0), count(*), "
                               "cast(coalesce(sum(Cost), 0) as bigint) from tPrinterData") +
                filter + QStringLiteral(" group by ") + column +
                QStringLiteral(" order by 2 desc, 1");
    if (top > 0)
        s += QStringLiteral(" limit ") + QString::number(top);
    return s;
}

QString TrendGroupingSetsStatement(const QString &filter, int top)
{
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
                          "row_number() over (partition by %3 order by %1 desc, %4) r "
                          "from tPrinterData")
               .arg(QStringLiteral("coalesce(sum(TotalPageCount), 0)"), jobFigures(), bits, name) +
           filter + QStringLiteral(" group by grouping sets ((substr(PrintTime, 1, 10)), (") +
           columns.join(QStringLiteral("), (")) + QStringLiteral("))) t") +
           (top > 0 ? QStringLiteral(" where s = %1 or r <= %2").arg(AllGroupBits).arg(top)
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
    if (engineOf(db) == DbEngine::PostgreSQL && !filter.isEmpty()) {
        if (!run(q, db, TrendGroupingSetsStatement(filter, top), error))
            return false;
        while (q.next()) {
            const int bits = q.value(0).toInt();
            if (bits == AllGroupBits) {
                addDay(q, 2, figures, data, days);
                continue;
            }
            for (int g = 0; g < TrendGroupCount; ++g)
                if (bits == groupingBits(TrendGroup(g)))
                    data.totals[g].push_back({q.value(1).toString(), q.value(3).toLongLong(),
                                              q.value(4).toLongLong(), q.value(10).toLongLong()});
        }
        q.finish();
        foldDays(days, data);
        return true;
    }

    if (!run(q, db, TrendDayStatement(filter, figures), error))
        return false;
    while (q.next())
        addDay(q, 0, figures, data, days);
    q.finish();
    foldDays(days, data);

    // Each statement reads one index from end to end when the search has no date range.
    return readGroups(
        q, db, [&](int g) { return TrendTotalsStatement(TrendGroup(g), filter, top); }, data,
        error);
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
    if (!readGroups(
            q, db,
            [&](int g) { return TotalsGroupStatement(engine, TotalsDim(g), *search.totals, top); },
            data, error))
        return false;
    for (const TrendTotal &t : groupsOnly ? data.totals[TrendDept] : std::vector<TrendTotal>()) {
        data.pages += t.pages;
        data.jobs += t.jobs;
        data.cost += t.cost;
    }
    return true;
}

} // namespace vesk
