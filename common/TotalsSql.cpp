// The pieces of SQL that the kept totals' statements share.
#include "TotalsSql.h"

#include "Database.h"
#include "JobOutcome.h"
#include "RecordColumns.h"
#include "Totals.h"

namespace vesk::totals {

namespace {

// In the tables' column order. Cost: the records' costs in minor units (a record without one
// counts 0).
const char *const FigureColumns[] = {"Pages",      "Jobs",          "PagesPrinted", "ColourJobs",
                                     "DuplexJobs", "CancelledJobs", "AbortedJobs",  "Cost"};

// The key of a totals row from a dimension row, its period `length` characters of PrintTime.
QString totalsKey(DbEngine e, int length)
{
    return QStringLiteral("Dim, substr(coalesce(PrintTime, ''), 1, %1), ").arg(length) +
           noCase(e, QStringLiteral("coalesce(DeptName, '')")) + QStringLiteral(", ") +
           noCase(e, QStringLiteral("coalesce(n, '')")) +
           QStringLiteral(", case when n is null then 1 else 0 end");
}

} // namespace

const QStringList &figureColumns()
{
    static const QStringList columns = [] {
        QStringList out;
        for (const char *c : FigureColumns)
            out << QLatin1String(c);
        return out;
    }();
    return columns;
}

QString figureList(const QString &prefix)
{
    QStringList out;
    for (const QString &c : figureColumns())
        out << prefix + c;
    return out.join(QStringLiteral(", "));
}

QStringList recordFigures(const QString &p, int sign)
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
                            flag("JobOutcome", int(JobOutcome::Aborted)),
                            QStringLiteral("coalesce(%1Cost, 0)").arg(p)};
    if (sign > 0)
        return plain;
    QStringList negated;
    for (const QString &e : plain)
        negated << QStringLiteral("-(") + e + u')';
    return negated;
}

QString noCase(DbEngine e, const QString &expression)
{
    return e == DbEngine::SQLite ? expression + QStringLiteral(" collate NOCASE") : expression;
}

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

QString sums(const QString &prefix)
{
    QStringList out;
    for (const QString &c : figureColumns())
        out << QStringLiteral("sum(%1%2)").arg(prefix, c);
    return out.join(QStringLiteral(", "));
}

QString logByDay(const QString &log)
{
    QStringList named;
    for (const QString &c : figureColumns())
        named << QStringLiteral("sum(%1) %1").arg(c);
    return QStringLiteral("select substr(PrintTime, 1, 10) PrintTime, DeptName, PrinterName, "
                          "hostName, EmName, ") +
           named.join(QStringLiteral(", ")) + QStringLiteral(" from ") + log +
           QStringLiteral(" group by 1, 2, 3, 4, 5");
}

QString upsert(const QString &table, const QString &select)
{
    QStringList set;
    for (const QString &c : figureColumns())
        set << QStringLiteral("%2 = %1.%2 + excluded.%2").arg(table, c);
    return QStringLiteral("insert into ") + table +
           QStringLiteral(" (Dim, Period, DeptName, Name, Nul, ") + figureList() +
           QStringLiteral(") ") + select +
           QStringLiteral(" on conflict (Dim, Period, DeptName, Name, Nul) do update set ") +
           set.join(QStringLiteral(", "));
}

QString aggregate(DbEngine e, const QString &source, int length)
{
    return QStringLiteral("select ") + totalsKey(e, length) + QStringLiteral(", ") + sums() +
           QStringLiteral(" from (") + dimensionRows(e, source) +
           QStringLiteral(") t where true group by 1, 2, 3, 4, 5");
}

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
        named << figures[i] + u' ' + figureColumns()[i];
    return QStringLiteral("select ") + LogKeyColumns + QStringLiteral(", ") +
           named.join(QStringLiteral(", ")) + QStringLiteral(" from tPrinterData where ") + where;
}

QString tableStatement(DbEngine e, const QString &table, int periodLength)
{
    const QString name = textColumnType(e, 0);
    const QString big =
        e == DbEngine::PostgreSQL ? QStringLiteral("bigint") : QStringLiteral("integer");
    QStringList figures;
    for (const QString &c : figureColumns())
        figures << c + u' ' + big + QStringLiteral(" not null");
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

QString sumUp(const QString &table, const QString &from)
{
    return upsert(table, QStringLiteral("select Dim, substr(Period, 1, %1), DeptName, Name, Nul, ")
                                 .arg(table == YearTable ? YearLength : MonthLength) +
                             sums() + QStringLiteral(" from ") + from +
                             QStringLiteral(" where true group by 1, 2, 3, 4, 5"));
}

bool run(QSqlQuery &q, const QString &statement, QString *error)
{
    q.setForwardOnly(true);
    return execStatement(q, statement, error, StatementInError::Named);
}

} // namespace vesk::totals
