// vesk-bench-totals: the figures read from the kept totals (the web overview of a month and of a
// year, in a department's scope and for all, and vesk summary of a year), each beside one bare
// scan of the same records measured in the same run.
#include "BenchApp.h"
#include "Database.h"
#include "MainDM.h"
#include "OverviewPage.h"
#include "PriceBook.h"
#include "PrinterDataSearch.h"
#include "Scope.h"
#include "Totals.h"
#include "TrendData.h"
#include "TrendSummary.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>
#include <QVariant>

#include <algorithm>
#include <functional>
#include <vector>

using namespace vesk;

namespace {

QTextStream out(stdout);

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The median of `runs` timings of `step` in ms, after one untimed run that fills the caches.
double medianMs(int runs, const std::function<bool()> &step, bool *ok)
{
    *ok = step();
    std::vector<double> ms;
    for (int i = 0; i < runs && *ok; ++i) {
        QElapsedTimer t;
        t.start();
        *ok = step();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

// A group statement of the summary without its cost: the same rows and sums, less the cost
// column of each arm and its sum. Empty when the statement no longer reads as expected.
QString withoutCost(QString statement)
{
    static const QRegularExpression arm(
        QStringLiteral(", (Cost( \\* -?[0-9]+)?|coalesce\\(Cost, 0\\)) co\\b"));
    statement.remove(arm).remove(QStringLiteral(", cast(sum(co) as bigint)"));
    static const QRegularExpression left(QStringLiteral("\\b(cost|co)\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    return statement.contains(left) ? QString() : statement;
}

// The records carry a cost, as under a price list: a folder generated without one is costed
// once at a default price (the product's recost, its totals folded with it) and keeps it.
bool ensureCosts(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select count(*) from tPrinterData where Cost is not null")) ||
        !q.next())
        return false;
    if (q.value(0).toLongLong() > 0)
        return true;
    q.finish();
    out << "costing the records once (0.05 a page, colour 0.25, two-sided 0.8, A3 2)..."
        << Qt::endl;
    return SetPrinterPrices(db, DefaultPricesName, {5'000'000, 25'000'000, 8'000}, error) &&
           SetPaperFactor(db, QStringLiteral("A3"), 20'000, error) &&
           RecostRecords(db, QString(), error).has_value();
}

// The search of a period from `from` to `to` (whole days) in `scope`, as the overview builds it.
TrendSearch periodSearch(const QDate &from, const QDate &to, const web::Scope &scope,
                         DbEngine engine)
{
    PrinterDataCriteria criteria;
    criteria.begin = from;
    criteria.end = to;
    criteria.throughEndDay = true;
    const SearchStatement search = PrinterDataSearch(criteria);
    const QString clause = web::ScopeClause(scope, engine);
    TrendSearch s{search.filter + clause, search.totals};
    if (s.totals) {
        s.totals->deptClause += clause;
        if (!scope.all)
            s.totals->depts = scope.depts;
    }
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser cl;
    addBenchDataOptions(cl, QStringLiteral("vesk-bench-totals"));
    cl.addOption({QStringLiteral("dept"), QStringLiteral("The scoped overview's department."),
                  QStringLiteral("name"), QStringLiteral("Sales")});
    cl.addOption({QStringLiteral("runs"), QStringLiteral("Timed runs of each step (median)."),
                  QStringLiteral("n"), QStringLiteral("11")});
    cl.process(app);
    const BenchData data = benchDataFrom(cl, {{},
                                              QStringLiteral(VESK_LANG_DIR),
                                              QStringLiteral(VESK_INITDB),
                                              QStringLiteral(VESK_GEN_DEMO),
                                              QStringLiteral(VESK_PG_SERVER)});
    const QString constr = prepareBenchData(data);
    if (constr.isEmpty())
        return 1;
    const int runs = std::max(1, cl.value(QStringLiteral("runs")).toInt());
    int status = 0;
    {
        TdmMain dm(TdmMain::Program::Console, data.appDir);
        dm.acntVesk.ConnectionString = constr;
        QString error;
        if (!dm.acntVesk.Open(data.appDir, &error)) {
            out << "could not open the database: " << error << Qt::endl;
            haltBenchServer(data);
            return 1;
        }
        QSqlDatabase db = dm.acntVesk.database();
        const DbEngine engine = engineOf(db);
        const LangLookup lang = [](const QString &key) { return key; };
        web::Scope all;
        all.all = true;
        web::Scope dept;
        dept.depts = web::DeptSubtree(db, cl.value(QStringLiteral("dept"))).value_or(QStringList());

        // One bare scan: the count and pages of the period's records in the scope, the least
        // that a figure read from the records must do. Its count is checked against the figure.
        qint64 bareJobs = -1;
        const auto bare = [&](const TrendSearch &s) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            if (!q.exec(translateStatement(
                    db, QStringLiteral("select count(*), coalesce(sum(TotalPageCount), 0) from "
                                       "tPrinterData") +
                            s.filter)) ||
                !q.next())
                return false;
            bareJobs = q.value(0).toLongLong();
            return true;
        };
        const auto line = [&](const QString &what, double ms, double bareMs, const char *goal) {
            out << qSetFieldWidth(46) << Qt::left << what << qSetFieldWidth(0) << " "
                << QString::number(ms, 'f', 1) << " ms, bare scan "
                << QString::number(bareMs, 'f', 1) << " ms, ratio "
                << QString::number(bareMs > 0 ? ms / bareMs : 0, 'f', 2) << "x" << goal << Qt::endl;
        };
        const auto fail = [&](const QString &what) {
            out << what << " failed: " << error << Qt::endl;
            status = 1;
        };

        const QDate today = QDate::currentDate();
        struct Overview
        {
            const char *name, *period;
            QDate from;
            const web::Scope *scope;
        };
        const QDate month(today.year(), today.month(), 1), year(today.year(), 1, 1);
        const Overview overviews[] = {
            {"month", "month", month, &dept},
            {"month", "month", month, &all},
            {"year", "year", year, &dept},
            {"year", "year", year, &all},
        };
        for (const Overview &o : overviews) {
            web::PageContext c;
            c.lang = lang;
            c.scope = *o.scope;
            c.today = today;
            web::Request r;
            r.path = QStringLiteral("/overview");
            r.query.insert(QStringLiteral("period"), QLatin1String(o.period));
            bool ok = false;
            const double ms = medianMs(
                runs, [&] { return web::OverviewPage(r, db, c).status == 200; }, &ok);
            const TrendSearch s = periodSearch(o.from, today, *o.scope, engine);
            bool bareOk = false;
            const double bareMs = medianMs(
                runs, [&] { return bare(s); }, &bareOk);
            TrendData figures;
            if (!ok || !bareOk || !ReadTrendData(db, s, 10, figures, &error) ||
                figures.jobs != bareJobs) {
                fail(QStringLiteral("overview ") + QLatin1String(o.name));
                continue;
            }
            line(QStringLiteral("web overview, this %1, %2 (%3 records)")
                     .arg(QLatin1String(o.name),
                          o.scope->all ? QStringLiteral("all") : cl.value(QStringLiteral("dept")))
                     .arg(bareJobs),
                 ms, bareMs, o.period == QLatin1String("year") ? " (goal <= 150 ms at 10M)" : "");
        }

        if (!ensureCosts(db, &error)) {
            out << "the records could not be costed: " << error << Qt::endl;
            haltBenchServer(data);
            return 1;
        }

        // vesk summary --csv of this year, every department, less the process start: its
        // statements and its text.
        const TrendSearch yearAll = periodSearch(year, today, all, engine);
        bool ok = false;
        const double ms = medianMs(
            runs,
            [&] {
                TrendData d;
                return ReadTrendData(db, yearAll, 0, d, &error, TrendFigures::GroupsOnly) &&
                       !TrendSummaryCsv(d, lang).isEmpty();
            },
            &ok);
        bool bareOk = false;
        const double bareMs = medianMs(
            runs, [&] { return bare(yearAll); }, &bareOk);
        if (ok && bareOk)
            line(QStringLiteral("vesk summary --csv, this year, all"), ms, bareMs,
                 " (goal <= 0.5x)");
        else
            fail(QStringLiteral("summary"));

        // What the cost column costs the summary: its four group statements as it runs them,
        // and the same without the cost column and its sum, every row read.
        const auto statements = [&](bool cost) {
            if (!yearAll.totals)
                return false;
            for (int g = 0; g < TotalsDimCount; ++g) {
                const QString full = TotalsGroupStatement(engine, TotalsDim(g), *yearAll.totals, 0);
                const QString s = cost ? full : withoutCost(full);
                QSqlQuery q(db);
                q.setForwardOnly(true);
                if (s.isEmpty() || !q.exec(translateStatement(db, s)))
                    return false;
                const int columns = q.record().count();
                while (q.next())
                    for (int c = 0; c < columns; ++c)
                        q.value(c);
            }
            return true;
        };
        // Taken in turns, so that a change of the machine's load falls on both alike.
        bool withOk = statements(true), withoutOk = statements(false);
        std::vector<double> with, without;
        for (int i = 0; i < runs && withOk && withoutOk; ++i) {
            QElapsedTimer t;
            t.start();
            withOk = statements(true);
            with.push_back(double(t.nsecsElapsed()) / 1e6);
            t.restart();
            withoutOk = statements(false);
            without.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        const double withMs = median(with), withoutMs = median(without);
        if (withOk && withoutOk) {
            line(QStringLiteral("  its statements, with cost"), withMs, bareMs, "");
            line(QStringLiteral("  its statements, without cost"), withoutMs, bareMs, "");
            out << qSetFieldWidth(46) << Qt::left << "  with cost / without cost"
                << qSetFieldWidth(0) << " "
                << QString::number(withoutMs > 0 ? withMs / withoutMs : 0, 'f', 2) << "x"
                << Qt::endl;
        } else {
            fail(QStringLiteral("summary statements without cost"));
        }
    }
    haltBenchServer(data);
    return status;
}
