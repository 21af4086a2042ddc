// Kept totals: the fold of the log into the totals, their rebuild from the records and the check
// of one against the other.
#include "Database.h"
#include "SqlText.h"
#include "Totals.h"
#include "TotalsSql.h"

#include <QDate>
#include <QVariant>

#include <utility>

namespace vesk {

using namespace totals;

namespace {

// The totals of the records that `where` selects, added to the day totals.
QString addRecordsToDays(DbEngine e, const QString &where)
{
    if (e == DbEngine::PostgreSQL)
        return upsert(DayTable, aggregate(e, u'(' + recordSelect(where) + u')', DayLength));
    return withSource(e, recordSelect(where)) +
           upsert(DayTable, aggregate(e, QStringLiteral("s"), DayLength));
}

} // namespace

bool FoldTotals(QSqlDatabase &db, QString *error)
{
    const DbEngine e = engineOf(db);
    QSqlQuery q(db);
    if (e == DbEngine::PostgreSQL)
        return run(q, QStringLiteral("select vesk_totals_fold()"), error);
    // The log read once, its rows of a day and names summed first (a save's records share
    // them), into its day totals, and those added to each table.
    const QString fold = QStringLiteral("temp.tTotalFold");
    return run(q, tableStatement(e, fold, DayLength), error) &&
           run(q,
               withSource(e, logByDay(QStringLiteral("tTotalLog"))) +
                   QStringLiteral("insert into ") + fold +
                   QStringLiteral(" (Dim, Period, DeptName, Name, Nul, ") + figureList() +
                   QStringLiteral(") ") + aggregate(e, QStringLiteral("s"), DayLength),
               error) &&
           run(q,
               upsert(DayTable, QStringLiteral("select Dim, Period, DeptName, Name, Nul, ") +
                                    figureList() + QStringLiteral(" from ") + fold +
                                    QStringLiteral(" where true")),
               error) &&
           run(q, sumUp(MonthTable, fold), error) && run(q, sumUp(YearTable, fold), error) &&
           run(q, QStringLiteral("delete from ") + fold, error) &&
           run(q, QStringLiteral("delete from tTotalLog"), error);
}

bool RebuildTotals(QSqlDatabase &db, const std::function<void(int, int)> &progress, QString *error)
{
    const DbEngine e = engineOf(db);
    QSqlQuery q(db);
    if (e == DbEngine::PostgreSQL &&
        !run(q, QStringLiteral("select pg_advisory_xact_lock(%1)").arg(FoldLockId), error))
        return false;
    for (const QString &t : TotalsTables()) {
        if (!run(q, QStringLiteral("delete from ") + t, error))
            return false;
    }
    // A month of records at a time, by the time index: every record lands in exactly one part
    // (the first part takes all before the second month, the last all after, then those
    // without a time), whatever its time text holds.
    if (!run(q, QStringLiteral("select min(PrintTime), max(PrintTime) from tPrinterData"), error))
        return false;
    QStringList bounds;
    if (q.next()) {
        const QDate first =
            QDate::fromString(q.value(0).toString().left(7) + QStringLiteral("-01"), Qt::ISODate);
        const QDate last =
            QDate::fromString(q.value(1).toString().left(7) + QStringLiteral("-01"), Qt::ISODate);
        for (QDate m = first.addMonths(1); first.isValid() && last.isValid() && m <= last;
             m = m.addMonths(1))
            bounds << QuotedStr(m.toString(QStringLiteral("yyyy-MM-dd")));
    }
    q.finish();
    QStringList parts;
    if (bounds.isEmpty()) {
        parts << QStringLiteral("1=1");
    } else {
        parts << QStringLiteral("PrintTime < ") + bounds.first();
        for (int i = 0; i + 1 < bounds.size(); ++i)
            parts << QStringLiteral("PrintTime >= %1 and PrintTime < %2")
                         .arg(bounds[i], bounds[i + 1]);
        parts << QStringLiteral("PrintTime >= ") + bounds.last()
              << QStringLiteral("PrintTime is null");
    }
    for (int i = 0; i < parts.size(); ++i) {
        if (!run(q, addRecordsToDays(e, parts[i]), error))
            return false;
        if (progress)
            progress(i + 1, int(parts.size()));
    }
    // Each longer period from the one below it.
    return run(q, sumUp(MonthTable, DayTable), error) &&
           run(q, sumUp(YearTable, MonthTable), error);
}

bool SettleTotals(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    return engineOf(db) != DbEngine::PostgreSQL ||
           run(q, QStringLiteral("vacuum (analyze) ") + TotalsTables().join(QStringLiteral(", ")),
               error);
}

std::optional<std::vector<TotalsDifference>> CheckTotals(const QSqlDatabase &db, int limit,
                                                         QString *error)
{
    const DbEngine e = engineOf(db);
    const int figureCount = int(figureColumns().size());
    // Rows named k0..k4 (the key) and the figures, from dimension rows of `select`.
    const auto dimensionsOf = [&](const QString &select, int length) -> QString {
        const QString rows = e == DbEngine::PostgreSQL
                                 ? dimensionRows(e, u'(' + select + u')')
                                 : QStringLiteral("with s as (") + select + QStringLiteral(") ") +
                                       dimensionRows(e, QStringLiteral("s"));
        return QStringLiteral("select Dim k0, substr(coalesce(PrintTime, ''), 1, %1) k1, ")
                   .arg(length) +
               noCase(e, QStringLiteral("coalesce(DeptName, '')")) + QStringLiteral(" k2, ") +
               noCase(e, QStringLiteral("coalesce(n, '')")) +
               QStringLiteral(" k3, case when n is null then 1 else 0 end k4, ") + figureList() +
               QStringLiteral(" from (") + rows + QStringLiteral(") t");
    };
    const auto totalsOf = [&](const QString &table, const QString &period) -> QString {
        return QStringLiteral("select Dim k0, ") + period + QStringLiteral(" k1, ") +
               noCase(e, QStringLiteral("DeptName")) + QStringLiteral(" k2, ") +
               noCase(e, QStringLiteral("Name")) + QStringLiteral(" k3, Nul k4, ") + figureList() +
               QStringLiteral(" from ") + table;
    };
    // One side's figures in its own columns (f<i>k kept, f<i>s summed), zero in the other's.
    const auto side = [&](const QString &select, bool kept) -> QString {
        QStringList cols;
        for (int i = 0; i < figureCount; ++i) {
            const QString &f = figureColumns()[i];
            cols << (kept ? f : QStringLiteral("0")) + QStringLiteral(" f%1k").arg(i)
                 << (kept ? QStringLiteral("0") : f) + QStringLiteral(" f%1s").arg(i);
        }
        return QStringLiteral("select k0, k1, k2, k3, k4, ") + cols.join(QStringLiteral(", ")) +
               QStringLiteral(" from (") + select + QStringLiteral(") x");
    };
    QStringList sumsOut, differ;
    for (int i = 0; i < figureCount; ++i) {
        sumsOut << QStringLiteral("sum(f%1k), sum(f%1s)").arg(i);
        differ << QStringLiteral("sum(f%1k) <> sum(f%1s)").arg(i);
    }
    const QString key = QStringLiteral("k0, k1, ") + noCase(e, QStringLiteral("k2")) +
                        QStringLiteral(", ") + noCase(e, QStringLiteral("k3")) +
                        QStringLiteral(", k4");
    const auto compare = [&](const QString &kept, const QString &summed) -> QString {
        return QStringLiteral("select k0, k1, k2, k3, k4, ") + sumsOut.join(QStringLiteral(", ")) +
               QStringLiteral(" from (") + side(kept, true) + QStringLiteral(" union all ") +
               side(summed, false) + QStringLiteral(") c group by ") + key +
               QStringLiteral(" having ") + differ.join(QStringLiteral(" or ")) +
               QStringLiteral(" order by ") + key + QStringLiteral(" limit %1").arg(limit);
    };
    // The day totals with the waiting log against the records; the month totals against the
    // day totals and the year totals against the month totals (none holds the log yet).
    const QString dayKept = totalsOf(DayTable, QStringLiteral("Period")) +
                            QStringLiteral(" union all ") +
                            dimensionsOf(QStringLiteral("select * from tTotalLog"), DayLength);
    const QString daySummed = dimensionsOf(recordSelect(QStringLiteral("1=1")), DayLength);
    const QString monthKept = totalsOf(MonthTable, QStringLiteral("Period"));
    const QString monthSummed = totalsOf(DayTable, QStringLiteral("substr(Period, 1, 7)"));
    const QString yearKept = totalsOf(YearTable, QStringLiteral("Period"));
    const QString yearSummed = totalsOf(MonthTable, QStringLiteral("substr(Period, 1, 4)"));

    std::vector<TotalsDifference> found;
    QSqlQuery q(db);
    const std::pair<QString, QString> checks[] = {
        {dayKept, daySummed}, {monthKept, monthSummed}, {yearKept, yearSummed}};
    const char *const tables[] = {"day", "month", "year"};
    for (int c = 0; c < 3 && int(found.size()) < limit; ++c) {
        if (!run(q, compare(checks[c].first, checks[c].second), error))
            return std::nullopt;
        while (q.next() && int(found.size()) < limit) {
            TotalsDifference d;
            d.table = QLatin1String(tables[c]);
            d.dim = TotalsDim(q.value(0).toInt());
            d.period = q.value(1).toString();
            d.dept = q.value(2).toString();
            d.nameNull = q.value(4).toInt() != 0;
            d.name = d.nameNull ? QString() : q.value(3).toString();
            for (int i = 0; i < figureCount; ++i) {
                d.kept.push_back(q.value(5 + 2 * i).toLongLong());
                d.summed.push_back(q.value(6 + 2 * i).toLongLong());
            }
            found.push_back(std::move(d));
        }
        q.finish();
    }
    return found;
}

} // namespace vesk
