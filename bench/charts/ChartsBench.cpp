// vesk-bench-charts: the history view's trend chart over a large database, click to painted chart.
#include "BenchApp.h"
#include "ChartButton.h"
#include "Database.h"
#include "MainDM.h"
#include "PrinterDataSearch.h"
#include "PrinterDataView.h"
#include "SettingsRoutines.h"
#include "TrendChartForm.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSqlQuery>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

using namespace vesk;

namespace {

QTextStream out(stdout);

struct Settings : ConsoleSettingsTarget
{
    explicit Settings(PrinterDataView &view) : view(view) {}
    void setForceClose() override {}
    void postClose() override {}
    void setProductCaption(const QString &) override {}
    void applyCatalogue(TdmMain &) override { view.applyCatalogue(); }
    PrinterDataView &view;
};

// Shows the chart window without a modal loop and waits until its view has painted.
class PaintWatch : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

double medianSeconds(const std::function<void()> &body, int runs = 5)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        body();
        times.push_back(double(t.nsecsElapsed()) / 1e9);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Every figure of `vesk summary` (all names) and of the web overview (its job figures, top ten)
// over a period, read from the kept totals and, as before them, from the records, each beside one
// bare scan of the period's records (their count and pages) in the same run.
void figuresBesideScan(const QSqlDatabase &db)
{
    const QDate today = QDate::currentDate();
    const struct
    {
        const char *label;
        QDate from;
    } periods[] = {{"this month", QDate(today.year(), today.month(), 1)},
                   {"this year", QDate(today.year(), 1, 1)},
                   {"three years", today.addYears(-3)}};
    for (const auto &p : periods) {
        PrinterDataCriteria c;
        c.begin = p.from;
        c.end = today;
        c.throughEndDay = true;
        const SearchStatement s = PrinterDataSearch(c);
        qint64 scanned = 0;
        const double bare = medianSeconds([&] {
            QSqlQuery q(db);
            q.exec(translateStatement(db, QStringLiteral("select count(*), sum(TotalPageCount) "
                                                         "from tPrinterData") +
                                              s.filter));
            scanned = q.next() ? q.value(0).toLongLong() : -1;
        });
        TrendData data;
        const double totals = medianSeconds([&] {
            ReadTrendData(db, TrendSearch{s.filter, s.totals}, 0, data, nullptr,
                          TrendFigures::WithJobFigures);
        });
        const qint64 jobs = data.jobs;
        const double records = medianSeconds(
            [&] { ReadTrendData(db, s.filter, 0, data, nullptr, TrendFigures::WithJobFigures); },
            3);
        out << p.label << " (" << scanned << " records; " << jobs
            << " from the totals):" << Qt::endl
            << "  one bare scan of the records      " << bare * 1000 << " ms" << Qt::endl
            << "  every figure from the totals      " << totals * 1000 << " ms (ratio "
            << totals / bare << ")" << Qt::endl
            << "  every figure from the records     " << records * 1000 << " ms (ratio "
            << records / bare << ")" << Qt::endl;
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser cl;
    cl.addOption({QStringLiteral("app"), QStringLiteral("Application folder (kept)."),
                  QStringLiteral("dir"), QDir::tempPath() + QStringLiteral("/vesk-bench-charts")});
    cl.addOption({QStringLiteral("records"), QStringLiteral("Print records."), QStringLiteral("n"),
                  QStringLiteral("1000000")});
    cl.addOption({QStringLiteral("png"), QStringLiteral("Save the chart of all records as FILE."),
                  QStringLiteral("file")});
    cl.process(app);
    const QString appDir = QDir(cl.value(QStringLiteral("app"))).absolutePath() + u'/';
    if (!prepareBenchApp(appDir, QStringLiteral(VESK_LANG_DIR), QStringLiteral(VESK_INITDB),
                         QStringLiteral(VESK_GEN_DEMO),
                         cl.value(QStringLiteral("records")).toLongLong(), 2000)) {
        out << "could not prepare " << appDir << Qt::endl;
        return 1;
    }

    TdmMain dm(TdmMain::Program::Console, appDir);
    PrinterDataView view(dm);
    Settings settings(view);
    LoadConsoleSettings(dm, settings);
    ChartButton commands(dm, &view);
    QString png;
    commands.showChart = [&](TTrendChartFrm &form) {
        PaintWatch watch;
        form.chartView->installEventFilter(&watch);
        form.show();
        while (!watch.painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!png.isEmpty())
            form.picture().savePng(png);
        form.hide();
    };
    QSqlQuery q(dm.acntVesk.database());
    q.exec(QStringLiteral("select count(*) from tPrinterData"));
    out << "records " << (q.next() ? q.value(0).toLongLong() : -1) << Qt::endl;
    q.finish();

    const auto timed = [&](const char *what) {
        for (int run = 1; run <= 3; ++run) {
            QElapsedTimer t;
            t.start();
            view.btnChart->click();
            out << what << ", run " << run << ": " << t.nsecsElapsed() / 1e9 << " s" << Qt::endl;
        }
        QElapsedTimer t;
        t.start();
        TrendData data;
        ReadTrendData(dm.acntVesk.database(), view.PrinterDataFilter(), TrendPicture::TopCount,
                      data);
        out << "  of which the statements: " << t.nsecsElapsed() / 1e9 << " s ("
            << data.points.size() << " points)" << Qt::endl;
    };
    view.ResetPrinterData(); // the last 30 days in the pickers
    view.btnSearchClick();
    timed("30-day search, click to painted chart");
    view.ResetPrinterData(); // every record
    timed("all records, click to painted chart");
    figuresBesideScan(dm.acntVesk.database());
    png = cl.value(QStringLiteral("png"));
    if (!png.isEmpty())
        view.btnChart->click();
    out << "peak resident memory: " << statusKb("VmHWM:") / 1024.0 << " MB" << Qt::endl;
    return 0;
}
