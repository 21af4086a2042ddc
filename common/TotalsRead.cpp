// Kept totals: the statements that read a period's figures from the totals, the waiting log and,
// for the parts of days at the edges, the records.
#include "SqlText.h"
#include "Totals.h"
#include "TotalsSql.h"

#include <QDate>

#include <cstdlib>
#include <map>
#include <optional>

namespace vesk {

using namespace totals;

namespace {

QString dayText(const QDate &d)
{
    return QuotedStr(d.toString(QStringLiteral("yyyy-MM-dd")));
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
    QStringList raw;      // conditions on PrintTime, or-ed
    bool bounded = false; // records without a time are out
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

// The whole days [from, to) as signed sums of whole years, months and days: a bound is reached
// from a year or month start below it or above it (adding or taking off the months or days
// between), whichever reads the fewest rows, so a period of a year reads a row per name from the
// year totals instead of one per month and day. An invalid bound is open.
enum Level
{
    Day,
    Month,
    Year,
    LevelCount
};

struct Pieces
{
    std::map<QDate, int> periods[LevelCount]; // the first day of each period and its factor
    QDate openBelow, openAbove;               // valid: every year before / from this one, factor 1
};

QDate levelStart(Level l, const QDate &d)
{
    return l == Day ? d : l == Month ? QDate(d.year(), d.month(), 1) : QDate(d.year(), 1, 1);
}

QDate nextStart(Level l, const QDate &d)
{
    return l == Day ? d.addDays(1) : l == Month ? d.addMonths(1) : d.addYears(1);
}

// Adds `factor` times the periods of level `l` from `from` up to `to`, or takes them off when `to`
// is before `from`.
void addPeriods(Pieces &p, Level l, QDate from, const QDate &to, int factor)
{
    if (to < from)
        return addPeriods(p, l, to, from, -factor);
    for (; from < to; from = nextStart(l, from))
        p.periods[l][from] += factor;
}

// Everything before the day `at` (times `factor`): the days from the month start it is reached
// from (below, or the next one when `up` for that level), the months from that month's year
// start, and the whole years before that; the years go into `*year`.
void addBefore(Pieces &p, const QDate &at, bool dayUp, bool monthUp, int factor, QDate *year)
{
    QDate m = levelStart(Month, at);
    if (dayUp && m != at)
        m = m.addMonths(1);
    addPeriods(p, Day, m, at, factor);
    QDate y = levelStart(Year, m);
    if (monthUp && y != m)
        y = y.addYears(1);
    addPeriods(p, Month, y, m, factor);
    *year = y;
}

// Rows a choice reads, about: a year of a name costs a little more than a month and a day, as
// more names print in it; periods after today hold no records yet.
int costOf(const Pieces &p, const QDate &today)
{
    static constexpr int weight[LevelCount] = {1, 2, 3};
    int cost = 0;
    for (int l = 0; l < LevelCount; ++l)
        for (const auto &[start, factor] : p.periods[l])
            cost += factor != 0 && start <= today ? weight[l] * std::abs(factor) : 0;
    return cost;
}

Pieces piecesOf(const QDate &from, const QDate &to, const QDate &today)
{
    std::optional<Pieces> best;
    int bestCost = 0;
    for (int choice = 0; choice < 16; ++choice) {
        Pieces p;
        QDate yearFrom, yearTo;
        if (to.isValid())
            addBefore(p, to, choice & 1, choice & 2, 1, &yearTo);
        if (from.isValid())
            addBefore(p, from, choice & 4, choice & 8, -1, &yearFrom);
        if (from.isValid() && to.isValid())
            addPeriods(p, Year, yearFrom, yearTo, 1);
        else if (to.isValid())
            p.openBelow = yearTo;
        else if (from.isValid())
            p.openAbove = yearFrom;
        const int cost = costOf(p, today);
        if (!best || cost < bestCost) {
            best = std::move(p);
            bestCost = cost;
        }
    }
    return *best;
}

QString periodText(Level l, const QDate &d)
{
    return QuotedStr(d.toString(l == Day     ? QStringLiteral("yyyy-MM-dd")
                                : l == Month ? QStringLiteral("yyyy-MM")
                                             : QStringLiteral("yyyy")));
}

// For each factor of a level, the conditions on Period of its runs of periods.
std::map<int, QStringList> runsOf(const Pieces &p, Level l)
{
    std::map<int, QStringList> out;
    const auto &periods = p.periods[l];
    for (auto i = periods.begin(); i != periods.end();) {
        if (i->second == 0) {
            ++i;
            continue;
        }
        const int factor = i->second;
        const QDate first = i->first;
        QDate end = nextStart(l, first);
        for (++i; i != periods.end() && i->first == end && i->second == factor; ++i)
            end = nextStart(l, end);
        // One period: an equality, so that the department after it in the key is sought too.
        out[factor] << (nextStart(l, first) == end
                            ? QStringLiteral("Period = %1").arg(periodText(l, first))
                            : QStringLiteral("Period >= %1 and Period < %2")
                                  .arg(periodText(l, first), periodText(l, end)));
    }
    return out;
}

// The departments of the search as a condition that the totals' key (period, then department)
// serves; the department is a NOCASE column on SQLite and citext on PostgreSQL, so equality
// ignores case as the scope does.
QString deptSeek(const TotalsSearch &s)
{
    if (s.depts.isEmpty())
        return {};
    QStringList quoted;
    for (const QString &d : s.depts)
        quoted << QuotedStr(d);
    return QStringLiteral(" and DeptName in (") + quoted.join(QStringLiteral(", ")) + u')';
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
                    wholeDays(sp, QStringLiteral("Period")) + deptSeek(search) + search.deptClause;
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

QString TotalsRankedGroups(const QString &rows, int top, TotalsRanks ranks)
{
    if (ranks == TotalsRanks::Pages) {
        QString s = QStringLiteral("select n, sum(p), sum(j), cast(sum(co) as bigint) from (") +
                    rows + QStringLiteral(") t group by n having sum(j) <> 0 order by 2 desc, 1");
        if (top > 0)
            s += QStringLiteral(" limit ") + QString::number(top);
        return s;
    }
    // Both ranks from one grouping: the names are summed once, and only their sums are sorted
    // twice.
    return QStringLiteral("select n, tp, tj, tc, rp, rc from (select n, sum(p) tp, sum(j) tj, "
                          "cast(sum(co) as bigint) tc, "
                          "row_number() over (order by sum(p) desc, n) rp, "
                          "row_number() over (order by sum(co) desc, n) rc from (") +
           rows + QStringLiteral(") t group by n having sum(j) <> 0) u") +
           (top > 0 ? QStringLiteral(" where rp <= %1 or rc <= %1").arg(top) : QString()) +
           QStringLiteral(" order by rp");
}

QString TotalsGroupStatement(DbEngine e, TotalsDim dim, const TotalsSearch &search, int top,
                             TotalsRanks ranks)
{
    const Span sp = spanOf(search);
    const QString column = TotalsDimColumn(dim);
    const auto kept = [&](const QString &table, int factor, const QString &where) -> QString {
        const QString times = factor == 1 ? QString() : QStringLiteral(" * %1").arg(factor);
        return QStringLiteral("select ") +
               noCase(e, QStringLiteral("case when Nul = 1 then null else Name end")) +
               QStringLiteral(" n, Pages%1 p, Jobs%1 j, Cost%1 co from ").arg(times) + table +
               QStringLiteral(" where Dim = %1 and (").arg(int(dim)) + where + u')' +
               deptSeek(search) + search.deptClause;
    };
    QStringList arms;
    if (sp.days) {
        const Pieces pieces = piecesOf(sp.dayFrom, sp.dayTo, QDate::currentDate());
        const QString tables[LevelCount] = {DayTable, MonthTable, YearTable};
        for (int l = 0; l < LevelCount; ++l)
            for (const auto &[factor, runs] : runsOf(pieces, Level(l)))
                arms << kept(tables[l], factor, u'(' + runs.join(QStringLiteral(") or (")) + u')');
        if (!sp.dayFrom.isValid() && !sp.dayTo.isValid())
            arms << kept(YearTable, 1, QStringLiteral("1=1"));
        else if (pieces.openBelow.isValid())
            arms << kept(YearTable, 1,
                         periodRange(QStringLiteral("Period"), {},
                                     periodText(Year, pieces.openBelow), sp.bounded));
        else if (pieces.openAbove.isValid())
            arms << kept(YearTable, 1,
                         periodRange(QStringLiteral("Period"), periodText(Year, pieces.openAbove),
                                     {}, sp.bounded));
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
    return TotalsRankedGroups(arms.join(QStringLiteral(" union all ")), top, ranks);
}

} // namespace vesk
