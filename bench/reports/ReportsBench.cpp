// vesk-bench-reports: grouped report to PDF, its preview, xlsx and CSV export on a large database.
#include "BenchApp.h"
#include "GroupedReport.h"
#include "MainDM.h"
#include "SpreadsheetExport.h"
#include "printerDataReportForm.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTextStream>

#include <sys/resource.h>

using namespace vesk;

namespace {

QTextStream out(stdout);

// CPU seconds of this process so far: on a shared machine the wall clock also counts others.
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Watches a widget until it has painted.
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

int measure(const QString &step, const QString &appDir)
{
    QElapsedTimer t;
    t.start();
    TdmMain dm(TdmMain::Program::Console, appDir);
    QString error;
    if (!openBenchApp(dm, appDir, &error)) {
        out << error << Qt::endl;
        return 1;
    }
    const LangLookup lang = [&dm](const QString &k) { return dm.GetLangString(k); };
    const QSqlDatabase db = dm.acntVesk.database();
    const QString file = appDir + QStringLiteral("bench-out.") + step;
    bool ok = true;
    QString detail;
    if (step == u"pdf" || step == u"preview" || step == u"qtpreview") {
        ReportLayout layout;
        ok = LoadReportLayout(db, ReportTable::PrinterData, QStringLiteral("PrinterName"), lang,
                              layout, &error);
        GroupedReport report(layout);
        ok = ok && report.read(db, QString(), &error);
        detail = QStringLiteral("%1 rows, %2 groups, %3 pages")
                     .arg(report.rowCount())
                     .arg(report.groupCount())
                     .arg(report.pageCount());
        if (ok && step == u"pdf") {
            ok = WriteReportPdf(report, file, &error);
            detail += QStringLiteral(", %1 MB").arg(QFileInfo(file).size() / 1e6, 0, 'f', 1);
        } else if (ok && step == u"qtpreview") {
            // For comparison: Qt's own preview, which paints every page before it shows one.
            QPrintPreviewDialog preview;
            QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                             [&report](QPrinter *printer) {
                                 printer->setPageLayout(ReportPageLayout());
                                 report.print(*printer);
                             });
            auto *widget = preview.findChild<QPrintPreviewWidget *>();
            PaintWatch watch;
            widget->installEventFilter(&watch);
            preview.show();
            while (!watch.painted)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            detail +=
                QStringLiteral(", Qt's preview on screen with %1 pages").arg(widget->pageCount());
        } else if (ok) {
            TPrinterDataReportFrm preview(dm, report);
            PaintWatch watch;
            preview.view->installEventFilter(&watch);
            preview.show();
            while (!watch.painted)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            preview.showPage(report.pageCount() - 1);
            watch.painted = false;
            const double shown = t.nsecsElapsed() / 1e9;
            while (!watch.painted)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            detail += QStringLiteral(", first page on screen after %1 s").arg(shown, 0, 'f', 3);
        }
    } else {
        ok = ExportRecords(db, ReportTable::PrinterData, QString(),
                           ExportColumns(ReportTable::PrinterData, lang), file,
                           step == u"csv" ? ExportFormat::Csv : ExportFormat::Xlsx, &error);
        detail = QStringLiteral("%1 MB").arg(QFileInfo(file).size() / 1e6, 0, 'f', 1);
    }
    const double s = t.nsecsElapsed() / 1e9;
    if (!ok) {
        out << step << ": " << error << Qt::endl;
        return 1;
    }
    out << step << ": " << s << " s (CPU " << cpuSeconds() << " s), peak resident "
        << statusKb("VmHWM:") / 1024.0 << " MB (" << detail << ")" << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser cl;
    cl.addOption({QStringLiteral("app"), QStringLiteral("Application folder (kept)."),
                  QStringLiteral("dir"), QDir::tempPath() + QStringLiteral("/vesk-bench-reports")});
    cl.addOption({QStringLiteral("records"), QStringLiteral("Print records."), QStringLiteral("n"),
                  QStringLiteral("100000")});
    cl.addOption({QStringLiteral("measure"), QStringLiteral("internal"), QStringLiteral("step")});
    cl.addOption({QStringLiteral("qt-preview"),
                  QStringLiteral("Also time Qt's print preview dialog on the same report.")});
    cl.process(app);
    const QString appDir = QDir(cl.value(QStringLiteral("app"))).absolutePath() + u'/';
    if (cl.isSet(QStringLiteral("measure")))
        return measure(cl.value(QStringLiteral("measure")), appDir);
    if (!prepareBenchApp(appDir, QStringLiteral(VESK_LANG_DIR), QStringLiteral(VESK_INITDB),
                         QStringLiteral(VESK_GEN_DEMO),
                         cl.value(QStringLiteral("records")).toLongLong(), 400)) {
        out << "could not prepare " << appDir << Qt::endl;
        return 1;
    }
    // Each step in a fresh process, so its time and peak memory are its own.
    int failed = 0;
    QStringList steps{QStringLiteral("pdf"), QStringLiteral("preview"), QStringLiteral("xlsx"),
                      QStringLiteral("csv")};
    if (cl.isSet(QStringLiteral("qt-preview")))
        steps << QStringLiteral("qtpreview");
    for (const QString &step : steps)
        failed += runProgram(QCoreApplication::applicationFilePath(),
                             {QStringLiteral("--measure"), step, QStringLiteral("--app"), appDir})
                      ? 0
                      : 1;
    return failed;
}
