// Trend figures from aggregate statements; the rows themselves never leave the database.
#include "TrendData.h"

#include "Database.h"

#include <QSqlError>
#include <QSqlQuery>
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

QString TrendDayStatement(const QString &filter)
{
    // PrintTime is "yyyy-mm-dd hh:mm:ss" text on both engines: its first ten characters are the
    // day, and substr means the same to each.
    return QStringLiteral("select substr(PrintTime, 1, 10), coalesce(sum(TotalPageCount), 0), "
                          "count(*) from tPrinterData") +
           filter + QStringLiteral(" group by substr(PrintTime, 1, 10) order by 1");
}

QString TrendTotalsStatement(TrendGroup group, const QString &filter, int top)
{
    const QString column = TrendGroupColumn(group);
    QString s = QStringLiteral("select ") + column +
                QStringLiteral(", coalesce(sum(TotalPageCount), 0), count(*) from tPrinterData") +
                filter + QStringLiteral(" group by ") + column +
                QStringLiteral(" order by 2 desc, 1");
    if (top > 0)
        s += QStringLiteral(" limit ") + QString::number(top);
    return s;
}

bool ReadTrendData(const QSqlDatabase &db, const QString &filter, int top, TrendData &data,
                   QString *error)
{
    data = TrendData();
    QSqlQuery q(db);
    if (!run(q, db, TrendDayStatement(filter), error))
        return false;
    std::vector<TrendPoint> days;
    while (q.next()) {
        const QDate day = QDate::fromString(q.value(0).toString(), Qt::ISODate);
        const qint64 pages = q.value(1).toLongLong(), jobs = q.value(2).toLongLong();
        data.pages += pages;
        data.jobs += jobs;
        // A record without a readable time counts in the totals but has no place on the axis.
        if (day.isValid())
            days.push_back({day, pages, jobs});
    }
    q.finish();

    if (!days.empty()) {
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

    // Each statement reads one index from end to end when the search has no date range.
    for (int g = 0; g < TrendGroupCount; ++g) {
        if (!run(q, db, TrendTotalsStatement(TrendGroup(g), filter, top), error))
            return false;
        while (q.next())
            data.totals[g].push_back(
                {q.value(0).toString(), q.value(1).toLongLong(), q.value(2).toLongLong()});
        q.finish();
    }
    return true;
}

} // namespace vesk
