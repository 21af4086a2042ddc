// vesk-bench-totals: the figures read from the kept totals (the web overview of a month and of a
// year, in a department's scope and for all, and vesk summary of a year), each beside one bare
// scan of the same records measured in the same run.
#include "BenchApp.h"
#include "Database.h"
#include "MainDM.h"
#include "OverviewPage.h"
#include "PrinterDataSearch.h"
#include "Scope.h"
#include "TrendData.h"
#include "TrendSummary.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTextStream>
#include <QVariant>

#include <algorithm>
#include <functional>
#include <vector>

using namespace vesk;

namespace {

QTextStream out(stdout);

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
    std::sort(ms.begin(), ms.end());
    return ms.empty() ? 0 : ms[ms.size() / 2];
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
    cl.addOption({QStringLiteral("app"), QStringLiteral("Application folder (kept)."),
                  QStringLiteral("dir"), QDir::tempPath() + QStringLiteral("/vesk-bench-totals")});
    cl.addOption({QStringLiteral("records"), QStringLiteral("Print records."), QStringLiteral("n"),
                  QStringLiteral("1000000")});
    cl.addOption(
        {QStringLiteral("hosts"), QStringLiteral("Computers."), QStringLiteral("n"), "2000"});
    cl.addOption({QStringLiteral("postgres"),
                  QStringLiteral("On a private PostgreSQL server started for the run.")});
    cl.addOption({QStringLiteral("copies"),
                  QStringLiteral("Generate records/n, then make n of each in the database "
                                 "(1)."),
                  QStringLiteral("n"), QStringLiteral("1")});
    cl.addOption({QStringLiteral("dept"), QStringLiteral("The scoped overview's department."),
                  QStringLiteral("name"), QStringLiteral("Sales")});
    cl.addOption({QStringLiteral("runs"), QStringLiteral("Timed runs of each step (median)."),
                  QStringLiteral("n"), QStringLiteral("11")});
    cl.process(app);
    const BenchData data{QDir(cl.value(QStringLiteral("app"))).absolutePath() + u'/',
                         QStringLiteral(VESK_LANG_DIR),
                         QStringLiteral(VESK_INITDB),
                         QStringLiteral(VESK_GEN_DEMO),
                         QStringLiteral(VESK_PG_SERVER),
                         cl.value(QStringLiteral("records")).toLongLong(),
                         cl.value(QStringLiteral("hosts")).toInt(),
                         cl.isSet(QStringLiteral("postgres")),
                         std::max(1, cl.value(QStringLiteral("copies")).toInt())};
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
    }
    haltBenchServer(data);
    return status;
}
