// Kept totals: the statements that read a period's figures from the totals, the waiting log and,
// for the parts of days at the edges, the records.
#include "SqlText.h"
#include "Totals.h"
#include "TotalsSql.h"

#include <QDate>

namespace vesk {

using namespace totals;

namespace {

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

QString TotalsDayStatement(DbEngine e, const TotalsSearch &search)
{
    const Span sp = spanOf(search);
    const QString figures = QStringLiteral("Pages p, Jobs j, PagesPrinted pp, ColourJobs c, "
                                           "DuplexJobs du, CancelledJobs ca, AbortedJobs ab, "
                                           "Cost co");
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
        const QStringList aliases{QStringLiteral("p"),  QStringLiteral("j"),  QStringLiteral("pp"),
                                  QStringLiteral("c"),  QStringLiteral("du"), QStringLiteral("ca"),
                                  QStringLiteral("ab"), QStringLiteral("co")};
        for (int i = 0; i < f.size(); ++i)
            named << f[i] + u' ' + aliases[i];
        arms << QStringLiteral("select substr(PrintTime, 1, 10) d, ") +
                    named.join(QStringLiteral(", ")) + QStringLiteral(" from tPrinterData where ") +
                    rawDays(sp) + search.deptClause;
    }
    if (arms.isEmpty())
        arms << QStringLiteral(
            "select '' d, 0 p, 0 j, 0 pp, 0 c, 0 du, 0 ca, 0 ab, 0 co where 1=0");
    Q_UNUSED(e);
    return QStringLiteral("select d, sum(p), sum(j), sum(pp), sum(c), sum(du), sum(ca), sum(ab), "
                          "cast(sum(co) as bigint) from (") +
           arms.join(QStringLiteral(" union all ")) +
           QStringLiteral(") t group by d having sum(j) <> 0 order by d");
}

QString TotalsGroupStatement(DbEngine e, TotalsDim dim, const TotalsSearch &search, int top)
{
    const Span sp = spanOf(search);
    const QString column = TotalsDimColumn(dim);
    const auto kept = [&](const QString &table) -> QString {
        return noCase(e, QStringLiteral("case when Nul = 1 then null else Name end")) +
               QStringLiteral(" n, Pages p, Jobs j, Cost co from ") + table +
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
                    QStringLiteral(" n, Pages p, Jobs j, Cost co from tTotalLog where ") +
                    wholeDays(sp, logDay()) + search.deptClause;
    }
    if (!sp.raw.isEmpty())
        arms << QStringLiteral("select ") + noCase(e, column) +
                    QStringLiteral(" n, coalesce(TotalPageCount, 0) p, 1 j, coalesce(Cost, 0) co "
                                   "from tPrinterData where ") +
                    rawDays(sp) + search.deptClause;
    if (arms.isEmpty())
        arms << QStringLiteral("select '' n, 0 p, 0 j, 0 co where 1=0");
    QString s = QStringLiteral("select n, sum(p), sum(j), cast(sum(co) as bigint) from (") +
                arms.join(QStringLiteral(" union all ")) +
                QStringLiteral(") t group by n having sum(j) <> 0 order by 2 desc, 1");
    if (top > 0)
        s += QStringLiteral(" limit ") + QString::number(top);
    return s;
}

} // namespace vesk
