// Kept totals: their tables and triggers, the fold of the log, the rebuild, the check and the
// statements that read a period from them.
#include "Totals.h"

#include "Database.h"
#include "JobOutcome.h"
#include "RecordColumns.h"
#include "SqlText.h"

#include <QDate>
#include <QSqlQuery>
#include <QVariant>

#include <iterator>
#include <utility>

namespace vesk {

namespace {

const QString DayTable = QStringLiteral("tTotalDay");
const QString MonthTable = QStringLiteral("tTotalMonth");
const QString LogTable = QStringLiteral("tTotalLog");
// The columns of a log row before its figures: the record's own.
const QString LogKeyColumns = QStringLiteral("PrintTime, DeptName, PrinterName, hostName, EmName");
constexpr int DayLength = 10, MonthLength = 7;

const char *const FigureColumns[] = {"Pages",      "Jobs",          "PagesPrinted", "ColourJobs",
                                     "DuplexJobs", "CancelledJobs", "AbortedJobs"};

QString figureList(const QString &prefix = {})
{
    QStringList out;
    for (const char *c : FigureColumns)
        out << prefix + QLatin1String(c);
    return out.join(QStringLiteral(", "));
}

// A record's figures, its columns read through `p` ("new.", "old." or ""), negated for a record
// that goes.
QStringList recordFigures(const QString &p, int sign = 1)
{
    const auto flag = [&p](const char *column, int value) {
        return QStringLiteral("case when %1%2=%3 then 1 else 0 end")
            .arg(p, QLatin1String(column))
            .arg(value);
    };
    const QStringList plain{QStringLiteral("coalesce(%1TotalPageCount, 0)").arg(p),
                            QStringLiteral("1"),
                            QStringLiteral("coalesce(%1PagesPrinted, 0)").arg(p),
                            flag("ColorPrint", 1),
                            flag("Duplex", 1),
                            flag("JobOutcome", int(JobOutcome::Cancelled)),
                            flag("JobOutcome", int(JobOutcome::Aborted))};
    if (sign > 0)
        return plain;
    QStringList negated;
    for (const QString &e : plain)
        negated << QStringLiteral("-(") + e + u')';
    return negated;
}

// The values of one log row of a record read through `p`.
QString logValues(const QString &p, int sign)
{
    QStringList v;
    for (const QString &c : LogKeyColumns.split(QStringLiteral(", ")))
        v << p + c;
    return u'(' + (v + recordFigures(p, sign)).join(QStringLiteral(", ")) + u')';
}

QString logInsert()
{
    return QStringLiteral("insert into tTotalLog (") + LogKeyColumns + QStringLiteral(", ") +
           figureList() + QStringLiteral(") ");
}

// The columns whose change changes a total; an update of any other (a document name redacted)
// leaves the log alone.
const QStringList &countedColumns()
{
    static const QStringList columns{
        QStringLiteral("PrintTime"),    QStringLiteral("DeptName"),
        QStringLiteral("PrinterName"),  QStringLiteral("hostName"),
        QStringLiteral("EmName"),       QStringLiteral("TotalPageCount"),
        QStringLiteral("PagesPrinted"), QStringLiteral("ColorPrint"),
        QStringLiteral("Duplex"),       QStringLiteral("JobOutcome")};
    return columns;
}

// A NOCASE expression on SQLite (a function's result has none), as is on PostgreSQL (citext).
QString noCase(DbEngine e, const QString &expression)
{
    return e == DbEngine::SQLite ? expression + QStringLiteral(" collate NOCASE") : expression;
}

// Rows (Dim, PrintTime, DeptName, n, figures) of every dimension of the records or log rows that
// `source` (a table or a parenthesised select with the log's columns) gives: four rows each.
QString dimensionRows(DbEngine e, const QString &source)
{
    if (e == DbEngine::PostgreSQL)
        return QStringLiteral("select v.Dim, s.PrintTime, s.DeptName, v.n, ") + figureList("s.") +
               QStringLiteral(" from ") + source +
               QStringLiteral(" s cross join lateral (values (0, s.DeptName), (1, s.PrinterName), "
                              "(2, s.hostName), (3, s.EmName)) v(Dim, n)");
    QStringList arms;
    for (int d = 0; d < TotalsDimCount; ++d)
        arms << QStringLiteral("select %1 Dim, PrintTime, DeptName, %2 n, ")
                        .arg(d)
                        .arg(TotalsDimColumn(TotalsDim(d))) +
                    figureList() + QStringLiteral(" from s");
    return arms.join(QStringLiteral(" union all "));
}

// The key of a totals row from a dimension row, its period `length` characters of PrintTime.
QString totalsKey(DbEngine e, int length)
{
    return QStringLiteral("Dim, substr(coalesce(PrintTime, ''), 1, %1), ").arg(length) +
           noCase(e, QStringLiteral("coalesce(DeptName, '')")) + QStringLiteral(", ") +
           noCase(e, QStringLiteral("coalesce(n, '')")) +
           QStringLiteral(", case when n is null then 1 else 0 end");
}

QString sums(const QString &prefix = {})
{
    QStringList out;
    for (const char *c : FigureColumns)
        out << QStringLiteral("sum(%1%2)").arg(prefix, QLatin1String(c));
    return out.join(QStringLiteral(", "));
}

// Adds the rows of `select` (key and figures, grouped by key) to `table`.
QString upsert(const QString &table, const QString &select)
{
    QStringList set;
    for (const char *c : FigureColumns)
        set << QStringLiteral("%2 = %1.%2 + excluded.%2").arg(table, QLatin1String(c));
    return QStringLiteral("insert into ") + table +
           QStringLiteral(" (Dim, Period, DeptName, Name, Nul, ") + figureList() +
           QStringLiteral(") ") + select +
           QStringLiteral(" on conflict (Dim, Period, DeptName, Name, Nul) do update set ") +
           set.join(QStringLiteral(", "));
}

// The totals of the dimension rows of `source`, for a table of `length`-character periods.
QString aggregate(DbEngine e, const QString &source, int length)
{
    return QStringLiteral("select ") + totalsKey(e, length) + QStringLiteral(", ") + sums() +
           QStringLiteral(" from (") + dimensionRows(e, source) +
           QStringLiteral(") t where true group by 1, 2, 3, 4, 5");
}

// SQLite reads the records once into a temporary result for the four dimensions' rows.
QString withSource(DbEngine e, const QString &select)
{
    if (e == DbEngine::PostgreSQL)
        return {};
    return QStringLiteral("with s as materialized (") + select + QStringLiteral(") ");
}

QString recordSelect(const QString &where)
{
    // The figures under the log's column names, so that both read alike.
    QStringList named;
    const QStringList figures = recordFigures(QString());
    for (int i = 0; i < figures.size(); ++i)
        named << figures[i] + u' ' + QLatin1String(FigureColumns[i]);
    return QStringLiteral("select ") + LogKeyColumns + QStringLiteral(", ") +
           named.join(QStringLiteral(", ")) + QStringLiteral(" from tPrinterData where ") + where;
}

// The totals of the records that `where` selects, added to the day totals.
QString addRecordsToDays(DbEngine e, const QString &where)
{
    if (e == DbEngine::PostgreSQL)
        return upsert(DayTable, aggregate(e, u'(' + recordSelect(where) + u')', DayLength));
    return withSource(e, recordSelect(where)) +
           upsert(DayTable, aggregate(e, QStringLiteral("s"), DayLength));
}

QString tableStatement(DbEngine e, const QString &table, int periodLength)
{
    const QString name = textColumnType(e, 0);
    const QString big =
        e == DbEngine::PostgreSQL ? QStringLiteral("bigint") : QStringLiteral("integer");
    QStringList figures;
    for (const char *c : FigureColumns)
        figures << QLatin1String(c) + u' ' + big + QStringLiteral(" not null");
    return QStringLiteral(
               "create table if not exists %1 (Dim smallint not null, Period varchar(%2) not null, "
               "DeptName %3 not null, Name %3 not null, Nul smallint not null, ")
               .arg(table)
               .arg(periodLength)
               .arg(name) +
           figures.join(QStringLiteral(", ")) +
           QStringLiteral(", primary key (Dim, Period, DeptName, Name, Nul))") +
           (e == DbEngine::SQLite ? QStringLiteral(" without rowid") : QString());
}

// A PostgreSQL function that runs with its owner's rights (the agent may write no totals), its
// search path pinned to the tables' schema so that no object of the caller's stands in.
QString ownerFunction(const QString &signature, const QString &returns, const QString &language,
                      const QString &body)
{
    return QStringLiteral("do $do$ begin execute format('create or replace function %1 returns %2 "
                          "language %3 security definer set search_path = %I, pg_temp as %L', "
                          "current_schema(), %4); end $do$")
        .arg(signature, returns, language, QuotedStr(body));
}

// Any fixed number: folds on PostgreSQL take turns, so two never lock totals in opposite orders.
constexpr qint64 FoldLockId = 0x56736b54; // "VskT"

QString pgFoldBody()
{
    // One statement: the rows deleted from the log are exactly those added, whatever is
    // appended meanwhile.
    const QString d = QStringLiteral("d");
    return QStringLiteral("select pg_advisory_xact_lock(%1); "
                          "with d as (delete from tTotalLog returning *), x as (")
               .arg(FoldLockId) +
           upsert(DayTable, aggregate(DbEngine::PostgreSQL, d, DayLength)) +
           QStringLiteral(" returning 1) ") +
           upsert(MonthTable, aggregate(DbEngine::PostgreSQL, d, MonthLength));
}

bool run(QSqlQuery &q, const QString &statement, QString *error)
{
    q.setForwardOnly(true);
    return execStatement(q, statement, error, StatementInError::Named);
}

QString dayText(const QDate &d)
{
    return QuotedStr(d.toString(QStringLiteral("yyyy-MM-dd")));
}

QString monthText(const QDate &d)
{
    return QuotedStr(d.toString(QStringLiteral("yyyy-MM")));
}

QString timeText(const QDateTime &t)
{
    return QuotedStr(t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
}

// A period cut into what each source answers: whole days (from the day totals and the log), the
// whole months among them (from the month totals), and conditions on PrintTime for the parts of
// days at the edges (from the records).
struct Span
{
    bool days = true;     // whole days exist
    QDate dayFrom, dayTo; // whole days [dayFrom, dayTo); invalid: open
    bool months = false;
    QDate monthFrom, monthTo; // whole months [monthFrom, monthTo); invalid: open
    QStringList raw;          // conditions on PrintTime, or-ed
    bool bounded = false;     // records without a time are out
};

Span spanOf(const TotalsSearch &s)
{
    Span sp;
    sp.bounded = s.from.isValid() || s.to.isValid();
    const QTime midnight(0, 0);
    const QString upTo =
        s.toIncluded ? QStringLiteral(" and PrintTime <= ") : QStringLiteral(" and PrintTime < ");
    if (s.from.isValid())
        sp.dayFrom = s.from.time() == midnight ? s.from.date() : s.from.date().addDays(1);
    if (s.to.isValid())
        sp.dayTo = s.to.date();
    if (sp.dayFrom.isValid() && sp.dayTo.isValid() && sp.dayFrom > sp.dayTo) {
        // Within one day: the records alone.
        sp.days = false;
        sp.raw << QStringLiteral("PrintTime >= ") + timeText(s.from) + upTo + timeText(s.to);
        return sp;
    }
    if (s.from.isValid() && s.from.time() != midnight)
        sp.raw << QStringLiteral("PrintTime >= ") + timeText(s.from) +
                      QStringLiteral(" and PrintTime < ") +
                      timeText(QDateTime(sp.dayFrom, midnight));
    if (s.to.isValid() && (s.to.time() != midnight || s.toIncluded))
        sp.raw << QStringLiteral("PrintTime >= ") + timeText(QDateTime(sp.dayTo, midnight)) + upTo +
                      timeText(s.to);
    sp.days = !(sp.dayFrom.isValid() && sp.dayTo.isValid() && sp.dayFrom == sp.dayTo);
    if (!sp.days)
        return sp;
    if (sp.dayFrom.isValid())
        sp.monthFrom = sp.dayFrom.day() == 1
                           ? sp.dayFrom
                           : QDate(sp.dayFrom.year(), sp.dayFrom.month(), 1).addMonths(1);
    if (sp.dayTo.isValid())
        sp.monthTo = QDate(sp.dayTo.year(), sp.dayTo.month(), 1);
    sp.months = !sp.monthFrom.isValid() || !sp.monthTo.isValid() || sp.monthFrom < sp.monthTo;
    return sp;
}

// "Period >= a and Period < b" for the bounds given, plus the exclusion of rows without a time.
QString periodRange(const QString &column, const QString &from, const QString &to, bool bounded)
{
    QStringList c;
    if (!from.isEmpty())
        c << column + QStringLiteral(" >= ") + from;
    else if (bounded)
        c << column + QStringLiteral(" > ''");
    if (!to.isEmpty())
        c << column + QStringLiteral(" < ") + to;
    return c.isEmpty() ? QStringLiteral("1=1") : c.join(QStringLiteral(" and "));
}

QString dateOrEmpty(const QDate &d, QString (*text)(const QDate &))
{
    return d.isValid() ? text(d) : QString();
}

// The conditions on the day totals of every whole day, on the log rows of those days and, for a
// group, on the day totals of the days outside the whole months.
QString wholeDays(const Span &sp, const QString &column)
{
    return periodRange(column, dateOrEmpty(sp.dayFrom, dayText), dateOrEmpty(sp.dayTo, dayText),
                       sp.bounded);
}

QString logDay()
{
    return QStringLiteral("substr(coalesce(PrintTime, ''), 1, 10)");
}

QString edgeDays(const Span &sp)
{
    if (!sp.months)
        return wholeDays(sp, QStringLiteral("Period"));
    QStringList edges;
    if (sp.dayFrom.isValid() && sp.dayFrom < sp.monthFrom)
        edges << u'(' +
                     periodRange(QStringLiteral("Period"), dayText(sp.dayFrom),
                                 dayText(sp.monthFrom), sp.bounded) +
                     u')';
    if (sp.dayTo.isValid() && sp.monthTo < sp.dayTo)
        edges << u'(' +
                     periodRange(QStringLiteral("Period"), dayText(sp.monthTo), dayText(sp.dayTo),
                                 sp.bounded) +
                     u')';
    return edges.join(QStringLiteral(" or "));
}

QString rawDays(const Span &sp)
{
    return QStringLiteral("((") + sp.raw.join(QStringLiteral(") or (")) + QStringLiteral("))");
}

} // namespace

QString TotalsDimColumn(TotalsDim dim)
{
    switch (dim) {
    case TotalsDim::Dept:
        return QStringLiteral("DeptName");
    case TotalsDim::Printer:
        return QStringLiteral("PrinterName");
    case TotalsDim::Host:
        return QStringLiteral("hostName");
    case TotalsDim::Employee:
        break;
    }
    return QStringLiteral("EmName");
}

const QStringList &TotalsTables()
{
    static const QStringList tables{DayTable, MonthTable, LogTable};
    return tables;
}

const QStringList &TotalsFigureNames()
{
    static const QStringList names = figureList().split(QStringLiteral(", "));
    return names;
}

QStringList totalsTableStatements(DbEngine e)
{
    const QString name = textColumnType(e, 0);
    const QString time =
        e == DbEngine::PostgreSQL ? QStringLiteral("varchar(19)") : QStringLiteral("datetime");
    QStringList figures;
    for (const char *c : FigureColumns)
        figures << QLatin1String(c) + QStringLiteral(" integer not null");
    return {tableStatement(e, DayTable, DayLength), tableStatement(e, MonthTable, MonthLength),
            QStringLiteral(
                "create table if not exists tTotalLog (PrintTime %1, DeptName %2, PrinterName %2, "
                "hostName %2, EmName %2, ")
                    .arg(time, name) +
                figures.join(QStringLiteral(", ")) + u')'};
}

QStringList totalsTriggerStatements(DbEngine e)
{
    QStringList changed;
    for (const QString &c : countedColumns())
        changed << QStringLiteral("old.%1 is not new.%1").arg(c);
    if (e == DbEngine::SQLite)
        return {
            QStringLiteral(
                "create trigger if not exists trTotalsInsert after insert on tPrinterData begin ") +
                logInsert() + QStringLiteral("values ") + logValues(QStringLiteral("new."), 1) +
                QStringLiteral("; end"),
            QStringLiteral(
                "create trigger if not exists trTotalsDelete after delete on tPrinterData begin ") +
                logInsert() + QStringLiteral("values ") + logValues(QStringLiteral("old."), -1) +
                QStringLiteral("; end"),
            QStringLiteral("create trigger if not exists trTotalsUpdate after update of ") +
                countedColumns().join(QStringLiteral(", ")) +
                QStringLiteral(" on tPrinterData when ") + changed.join(QStringLiteral(" or ")) +
                QStringLiteral(" begin ") + logInsert() + QStringLiteral("values ") +
                logValues(QStringLiteral("old."), -1) + QStringLiteral(", ") +
                logValues(QStringLiteral("new."), 1) + QStringLiteral("; end")};

    QStringList oldRow, newRow;
    for (const QString &c : countedColumns()) {
        oldRow << QStringLiteral("old.") + c;
        newRow << QStringLiteral("new.") + c;
    }
    const auto logRows = [](const QString &table, int sign) -> QString {
        return QStringLiteral("begin ") + logInsert() + QStringLiteral("select ") + LogKeyColumns +
               QStringLiteral(", ") + recordFigures(QString(), sign).join(QStringLiteral(", ")) +
               QStringLiteral(" from ") + table + QStringLiteral("; return null; end");
    };
    return {
        ownerFunction(QStringLiteral("vesk_totals_insert()"), QStringLiteral("trigger"),
                      QStringLiteral("plpgsql"), logRows(QStringLiteral("vesk_new"), 1)),
        ownerFunction(QStringLiteral("vesk_totals_delete()"), QStringLiteral("trigger"),
                      QStringLiteral("plpgsql"), logRows(QStringLiteral("vesk_old"), -1)),
        ownerFunction(QStringLiteral("vesk_totals_update()"), QStringLiteral("trigger"),
                      QStringLiteral("plpgsql"),
                      QStringLiteral("begin ") + logInsert() + QStringLiteral("values ") +
                          logValues(QStringLiteral("old."), -1) + QStringLiteral(", ") +
                          logValues(QStringLiteral("new."), 1) +
                          QStringLiteral("; return null; end")),
        ownerFunction(QStringLiteral("vesk_totals_truncate()"), QStringLiteral("trigger"),
                      QStringLiteral("plpgsql"),
                      QStringLiteral("begin truncate tTotalDay, tTotalMonth, tTotalLog; return "
                                     "null; end")),
        ownerFunction(QStringLiteral("vesk_totals_fold()"), QStringLiteral("void"),
                      QStringLiteral("sql"), pgFoldBody()),
        QStringLiteral("revoke all on function vesk_totals_fold() from public"),
        // Statement triggers see every row of a statement at once: a copy or a delete of many
        // records is one insert into the log.
        QStringLiteral(
            "create or replace trigger trTotalsInsert after insert on tPrinterData referencing "
            "new table as vesk_new for each statement execute function "
            "vesk_totals_insert()"),
        QStringLiteral(
            "create or replace trigger trTotalsDelete after delete on tPrinterData referencing "
            "old table as vesk_old for each statement execute function "
            "vesk_totals_delete()"),
        // Per row, so that an update of other columns (names redacted) logs nothing.
        QStringLiteral(
            "create or replace trigger trTotalsUpdate after update on tPrinterData for each row "
            "when ((") +
            oldRow.join(QStringLiteral(", ")) + QStringLiteral(") is distinct from (") +
            newRow.join(QStringLiteral(", ")) +
            QStringLiteral(")) execute function vesk_totals_update()"),
        QStringLiteral(
            "create or replace trigger trTotalsTruncate after truncate on tPrinterData for each "
            "statement execute function vesk_totals_truncate()"),
    };
}

bool FoldTotals(QSqlDatabase &db, QString *error)
{
    const DbEngine e = engineOf(db);
    QSqlQuery q(db);
    if (e == DbEngine::PostgreSQL)
        return run(q, QStringLiteral("select vesk_totals_fold()"), error);
    return run(q,
               withSource(e, QStringLiteral("select * from tTotalLog")) +
                   upsert(DayTable, aggregate(e, QStringLiteral("s"), DayLength)),
               error) &&
           run(q,
               withSource(e, QStringLiteral("select * from tTotalLog")) +
                   upsert(MonthTable, aggregate(e, QStringLiteral("s"), MonthLength)),
               error) &&
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
    return run(
        q,
        upsert(MonthTable, QStringLiteral("select Dim, substr(Period, 1, 7), DeptName, Name, "
                                          "Nul, ") +
                               sums() +
                               QStringLiteral(" from tTotalDay where true group by 1, 2, "
                                              "3, 4, 5")),
        error);
}

std::optional<std::vector<TotalsDifference>> CheckTotals(const QSqlDatabase &db, int limit,
                                                         QString *error)
{
    const DbEngine e = engineOf(db);
    const int figureCount = int(std::size(FigureColumns));
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
            const QString f = QLatin1String(FigureColumns[i]);
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
    // day totals (neither holds the log yet).
    const QString dayKept = totalsOf(DayTable, QStringLiteral("Period")) +
                            QStringLiteral(" union all ") +
                            dimensionsOf(QStringLiteral("select * from tTotalLog"), DayLength);
    const QString daySummed = dimensionsOf(recordSelect(QStringLiteral("1=1")), DayLength);
    const QString monthKept = totalsOf(MonthTable, QStringLiteral("Period"));
    const QString monthSummed = totalsOf(DayTable, QStringLiteral("substr(Period, 1, 7)"));

    std::vector<TotalsDifference> found;
    QSqlQuery q(db);
    const std::pair<QString, QString> checks[] = {{dayKept, daySummed}, {monthKept, monthSummed}};
    for (int c = 0; c < 2 && int(found.size()) < limit; ++c) {
        if (!run(q, compare(checks[c].first, checks[c].second), error))
            return std::nullopt;
        while (q.next() && int(found.size()) < limit) {
            TotalsDifference d;
            d.table = c == 0 ? QStringLiteral("day") : QStringLiteral("month");
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

QString TotalsDayStatement(DbEngine e, const TotalsSearch &search)
{
    const Span sp = spanOf(search);
    const QString figures = QStringLiteral("Pages p, Jobs j, PagesPrinted pp, ColourJobs c, "
                                           "DuplexJobs du, CancelledJobs ca, AbortedJobs ab");
    QStringList arms;
    if (sp.days) {
        arms << QStringLiteral("select Period d, ") + figures +
                    QStringLiteral(" from tTotalDay where Dim = 0 and ") +
                    wholeDays(sp, QStringLiteral("Period")) + search.deptClause;
        arms << QStringLiteral("select ") + logDay() + QStringLiteral(" d, ") + figures +
                    QStringLiteral(" from tTotalLog where ") + wholeDays(sp, logDay()) +
                    search.deptClause;
    }
    if (!sp.raw.isEmpty()) {
        QStringList named;
        const QStringList f = recordFigures(QString());
        const QStringList aliases{QStringLiteral("p"), QStringLiteral("j"),  QStringLiteral("pp"),
                                  QStringLiteral("c"), QStringLiteral("du"), QStringLiteral("ca"),
                                  QStringLiteral("ab")};
        for (int i = 0; i < f.size(); ++i)
            named << f[i] + u' ' + aliases[i];
        arms << QStringLiteral("select substr(PrintTime, 1, 10) d, ") +
                    named.join(QStringLiteral(", ")) + QStringLiteral(" from tPrinterData where ") +
                    rawDays(sp) + search.deptClause;
    }
    if (arms.isEmpty())
        arms << QStringLiteral("select '' d, 0 p, 0 j, 0 pp, 0 c, 0 du, 0 ca, 0 ab where 1=0");
    Q_UNUSED(e);
    return QStringLiteral("select d, sum(p), sum(j), sum(pp), sum(c), sum(du), sum(ca), sum(ab) "
                          "from (") +
           arms.join(QStringLiteral(" union all ")) +
           QStringLiteral(") t group by d having sum(j) <> 0 order by d");
}

QString TotalsGroupStatement(DbEngine e, TotalsDim dim, const TotalsSearch &search, int top)
{
    const Span sp = spanOf(search);
    const QString column = TotalsDimColumn(dim);
    const auto kept = [&](const QString &table) -> QString {
        return noCase(e, QStringLiteral("case when Nul = 1 then null else Name end")) +
               QStringLiteral(" n, Pages p, Jobs j from ") + table +
               QStringLiteral(" where Dim = %1 and ").arg(int(dim));
    };
    QStringList arms;
    if (sp.days && sp.months)
        arms << QStringLiteral("select ") + kept(MonthTable) +
                    periodRange(QStringLiteral("Period"), dateOrEmpty(sp.monthFrom, monthText),
                                dateOrEmpty(sp.monthTo, monthText), sp.bounded) +
                    search.deptClause;
    if (sp.days) {
        const QString edges = edgeDays(sp);
        if (!edges.isEmpty())
            arms << QStringLiteral("select ") + kept(DayTable) + u'(' + edges + u')' +
                        search.deptClause;
        arms << QStringLiteral("select ") + noCase(e, column) +
                    QStringLiteral(" n, Pages p, Jobs j from tTotalLog where ") +
                    wholeDays(sp, logDay()) + search.deptClause;
    }
    if (!sp.raw.isEmpty())
        arms << QStringLiteral("select ") + noCase(e, column) +
                    QStringLiteral(" n, coalesce(TotalPageCount, 0) p, 1 j from tPrinterData "
                                   "where ") +
                    rawDays(sp) + search.deptClause;
    if (arms.isEmpty())
        arms << QStringLiteral("select '' n, 0 p, 0 j where 1=0");
    QString s = QStringLiteral("select n, sum(p), sum(j) from (") +
                arms.join(QStringLiteral(" union all ")) +
                QStringLiteral(") t group by n having sum(j) <> 0 order by 2 desc, 1");
    if (top > 0)
        s += QStringLiteral(" limit ") + QString::number(top);
    return s;
}

} // namespace vesk
