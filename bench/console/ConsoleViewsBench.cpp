// vesk-bench-console: the print history and computer directory panes on a large database.
#include "BenchApp.h"
#include "Database.h"
#include "Dataset.h"
#include "HostView.h"
#include "MainDM.h"
#include "PagedQueryModel.h"
#include "PrinterDataView.h"
#include "SettingsRoutines.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTimeEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStackedLayout>
#include <QTableView>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

using namespace vesk;

namespace {

QTextStream out(stdout);

// Settings target of a window that has only the two panes.
class Panes : public QWidget, public ConsoleSettingsTarget
{
public:
    explicit Panes(TdmMain &dm) : history(dm), hosts(dm)
    {
        auto *stack = new QStackedLayout(this);
        stack->addWidget(&history);
        stack->addWidget(&hosts);
        resize(626, 422); // the work area at design size
    }
    void setForceClose() override {}
    void postClose() override {}
    void setProductCaption(const QString &) override {}
    void applyCatalogue(TdmMain &) override
    {
        history.applyCatalogue();
        hosts.applyCatalogue();
    }

    PrinterDataView history;
    HostView hosts;
};

// Waits until the grid's viewport has been painted once more.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QWidget *w) { w->installEventFilter(this); }
    bool painted = false;
    void waitForPaint(QWidget *w)
    {
        painted = false;
        w->update();
        while (!painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

int count(TdmMain &dm, const QString &statement)
{
    QSqlDatabase db = dm.acntVesk.database();
    QSqlQuery q(db);
    return q.exec(translateStatement(db, statement)) && q.next() ? q.value(0).toInt() : -1;
}

} // namespace

int main(int argc, char **argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    {
        // The generation runs before the measured part, in child processes.
        QCoreApplication probe(argc, argv);
        QCommandLineParser cl;
        addBenchDataOptions(cl, QStringLiteral("vesk-bench-console"));
        cl.addOption({QStringLiteral("measure"), QStringLiteral("internal")});
        cl.addOption({QStringLiteral("grab"),
                      QStringLiteral("Also save pictures of the two panes as <prefix>-*.png."),
                      QStringLiteral("prefix")});
        cl.process(probe);
        const QString appDir = QDir(cl.value(QStringLiteral("app"))).absolutePath() + u'/';
        if (!cl.isSet(QStringLiteral("measure"))) {
            const BenchData data = benchDataFrom(cl, {{},
                                                      QStringLiteral(VESK_LANG_DIR),
                                                      QStringLiteral(VESK_INITDB),
                                                      QStringLiteral(VESK_GEN_DEMO),
                                                      QStringLiteral(VESK_PG_SERVER)});
            if (prepareBenchData(data).isEmpty())
                return 1;
            // A fresh process, so start-up time and memory are the console's own.
            QStringList args{QStringLiteral("--measure"), QStringLiteral("--app"), appDir};
            if (cl.isSet(QStringLiteral("grab")))
                args << QStringLiteral("--grab") << cl.value(QStringLiteral("grab"));
            const bool ok = runProgram(QCoreApplication::applicationFilePath(), args);
            haltBenchServer(data);
            return ok ? 0 : 1;
        }
        qputenv("VESK_BENCH_APP", appDir.toUtf8());
        qputenv("VESK_BENCH_GRAB", cl.value(QStringLiteral("grab")).toUtf8());
    }
    sinceStart.restart();
    QApplication app(argc, argv);
    TdmMain dm(TdmMain::Program::Console, qEnvironmentVariable("VESK_BENCH_APP"));
    Panes panes(dm);
    LoadConsoleSettings(dm, panes);
    panes.history.ResetPrinterData();
    panes.hosts.ResetHostData();
    panes.show();
    QWidget *grid =
        panes.history.findChild<QTableView *>(QStringLiteral("dbPrinterData"))->viewport();
    PaintWatch watch(grid);
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double firstPaint = sinceStart.elapsed() / 1000.0;

    const int total = count(dm, QStringLiteral("select count(*) from tPrinterData"));
    const int computers = count(dm, QStringLiteral("select count(*) from tHost"));
    out << "records " << total << ", computers " << computers << Qt::endl;
    out << "first painted history view (process start to paint): " << firstPaint << " s"
        << Qt::endl;

    auto timed = [&](const char *what, const std::function<void()> &step) {
        QElapsedTimer t;
        t.start();
        step();
        watch.waitForPaint(grid);
        const double s = t.nsecsElapsed() / 1e9;
        out << what << ": " << s << " s" << Qt::endl;
        return s;
    };

    // The newest 30 days, computers whose name holds "pc01" (about one in twenty).
    const QDate end = QDate::currentDate();
    panes.history.dtpBegin->setDate(end.addDays(-30));
    panes.history.dtpEnd->setDate(end);
    panes.history.edtHost->setText(QStringLiteral("pc01"));
    timed("30-day search with a computer pattern", [&] { panes.history.btnSearchClick(); });
    out << "  rows found: "
        << count(dm, QStringLiteral("select count(*) from tPrinterData ") +
                         panes.history.PrinterDataFilter())
        << Qt::endl;
    // A title click reads its first page on a worker thread; the window thread turns its events
    // meanwhile. Its longest turn (the click itself and the new rows' display included) is how
    // long the window stood still.
    double longestStall = 0;
    const auto titleClick = [&](int column) {
        QElapsedTimer turn;
        turn.start();
        panes.history.dbPrinterDataTitleClick(column);
        longestStall = turn.nsecsElapsed() / 1e9;
        while (dm.aqryPrinterData->model()->readingInBackground()) {
            turn.restart();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            longestStall = std::max(longestStall, turn.nsecsElapsed() / 1e9);
        }
    };
    const int printTime = dm.aqryPrinterData->columnOf(QStringLiteral("PrintTime"));
    timed("sort the search on PrintTime (descending)", [&] { titleClick(printTime); });
    timed("sort the search on PrintTime (ascending)", [&] { titleClick(printTime); });
    timed("reset (all records)", [&] { panes.history.ResetPrinterData(); });
    timed("sort all records on PrintTime", [&] { titleClick(printTime); });
    auto *historyGrid = panes.history.findChild<QTableView *>(QStringLiteral("dbPrinterData"));
    const int shownBefore = historyGrid->model()->rowCount();
    // The baseline: the same page statements on the same connection, every value read, with
    // nothing else (no model, no grid). Run once before the scroll too, so both find the same
    // pages in the caches.
    const auto barePages = [&](int from) {
        QSqlDatabase db = dm.acntVesk.database();
        const QString statement = dm.aqryPrinterData->SQL;
        QElapsedTimer t;
        t.start();
        qsizetype values = 0;
        for (int offset = from; offset < 10000; offset += PagedQueryModel::PageRows) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            q.exec(pageStatement(db, statement, offset, PagedQueryModel::PageRows));
            const int columns = q.record().count();
            while (q.next()) {
                for (int c = 0; c < columns; ++c)
                    values += q.value(c).isValid() ? 1 : 0;
            }
        }
        return std::make_pair(t.nsecsElapsed() / 1e9, values);
    };
    barePages(shownBefore);
    double fetching = 0;
    const double scroll = timed("scroll to row 10,000", [&] {
        QAbstractItemModel *m = historyGrid->model();
        QElapsedTimer t;
        t.start();
        while (m->rowCount() < 10000 && m->canFetchMore({}))
            m->fetchMore({});
        fetching = t.nsecsElapsed() / 1e9;
        historyGrid->scrollTo(m->index(9999, 0));
    });
    out << "  of which the model's page reads (grid told of each): " << fetching << " s"
        << Qt::endl;
    const auto [bare, values] = barePages(shownBefore);
    out << "  bare page statements of that scroll: " << bare << " s (" << values
        << " values); ratio " << scroll / bare << "x" << Qt::endl;
    panes.hosts.edtHhost->setText(QStringLiteral("sal"));
    timed("computer search", [&] { panes.hosts.btnHSearchClick(); });
    out << "resident memory: " << statusKb("VmRSS:") / 1024.0 << " MB (peak "
        << statusKb("VmHWM:") / 1024.0 << " MB)" << Qt::endl;
    // Not a goal: a column without an index sorts a million rows in the database.
    panes.history.ResetPrinterData();
    timed("(sort all records on documentName, no index)",
          [&] { titleClick(dm.aqryPrinterData->columnOf(QStringLiteral("documentName"))); });
    out << "  longest stall of the window thread during that sort: " << longestStall << " s"
        << Qt::endl;
    if (const QString grab = qEnvironmentVariable("VESK_BENCH_GRAB"); !grab.isEmpty()) {
        panes.history.edtHost->setText(QStringLiteral("pc01"));
        panes.history.btnSearchClick();
        panes.history.grab().save(grab + QStringLiteral("-history.png"));
        static_cast<QStackedLayout *>(panes.layout())->setCurrentWidget(&panes.hosts);
        panes.hosts.grab().save(grab + QStringLiteral("-hosts.png"));
    }
    out << "resident memory at the end: " << statusKb("VmRSS:") / 1024.0 << " MB" << Qt::endl;
    return 0;
}
