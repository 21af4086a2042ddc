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
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>

#include <xlsxwriter.h>

#include <cstdio>
#include <map>
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

// The baselines: the same output from the same statement, with nothing of ours in between.

// The export's statement: the exported columns of every print record.
QString exportStatement(const LangLookup &lang)
{
    QStringList fields;
    for (const ExportColumn &c : ExportColumns(ReportTable::PrinterData, lang))
        fields << c.field;
    return QStringLiteral("select ") + fields.join(QStringLiteral(", ")) +
           QStringLiteral(" from tPrinterData");
}

// libxlsxwriter in constant-memory mode: numbers as numbers, PrintTime as a date, the rest as
// strings.
bool bareXlsx(const QSqlDatabase &db, const LangLookup &lang, const QString &file)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(exportStatement(lang)))
        return false;
    const QSqlRecord rec = q.record();
    const int columns = rec.count();
    const int printTime = rec.indexOf(QStringLiteral("PrintTime"));
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *wb = workbook_new_opt(QFile::encodeName(file).constData(), &options);
    lxw_worksheet *ws = workbook_add_worksheet(wb, "Data");
    lxw_format *date = workbook_add_format(wb);
    format_set_num_format(date, "yyyy-mm-dd hh:mm:ss");
    for (int c = 0; c < columns; ++c)
        worksheet_write_string(ws, 0, lxw_col_t(c), rec.fieldName(c).toUtf8().constData(), nullptr);
    lxw_row_t row = 0;
    while (q.next()) {
        ++row;
        for (int c = 0; c < columns; ++c) {
            const QVariant v = q.value(c);
            if (v.isNull())
                continue;
            const lxw_col_t col = lxw_col_t(c);
            lxw_datetime dt{};
            if (c == printTime &&
                std::sscanf(v.toString().toLatin1().constData(), "%d-%d-%d %d:%d:%lf", &dt.year,
                            &dt.month, &dt.day, &dt.hour, &dt.min, &dt.sec) == 6)
                worksheet_write_datetime(ws, row, col, &dt, date);
            else if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int ||
                     v.typeId() == QMetaType::Double)
                worksheet_write_number(ws, row, col, v.toDouble(), nullptr);
            else
                worksheet_write_string(ws, row, col, v.toString().toUtf8().constData(), nullptr);
        }
    }
    return workbook_close(wb) == LXW_NO_ERROR;
}

// Each row's cells joined by commas, one fwrite per row.
bool bareCsv(const QSqlDatabase &db, const LangLookup &lang, const QString &file)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(exportStatement(lang)))
        return false;
    FILE *f = std::fopen(QFile::encodeName(file).constData(), "wb");
    if (!f)
        return false;
    const int columns = q.record().count();
    QByteArray line;
    while (q.next()) {
        line.clear();
        for (int c = 0; c < columns; ++c) {
            if (c)
                line += ',';
            line += q.value(c).toString().toUtf8();
        }
        line += "\r\n";
        std::fwrite(line.constData(), 1, size_t(line.size()), f);
    }
    return std::fclose(f) == 0;
}

// QPdfWriter with QPainter::drawText: the report's statement, its headings, group lines and
// cells at the same positions on the same pages, drawn one text at a time.
bool barePdf(const QSqlDatabase &db, const ReportLayout &layout, const QString &file)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select * from tPrinterData order by ") + layout.groupField))
        return false;
    const QSqlRecord rec = q.record();
    const int group = rec.indexOf(layout.groupField);
    std::vector<int> fields;
    for (const ReportColumn &c : layout.columns)
        fields.push_back(rec.indexOf(c.field));
    QPdfWriter writer(file);
    writer.setPageLayout(ReportPageLayout());
    writer.setResolution(1200);
    QPainter painter(&writer);
    const double k = writer.logicalDpiY() / report::UnitsPerInch;
    QFont font(QString::fromLatin1(report::FontFamily));
    font.setPointSizeF(report::BaseFontPoints);
    QFont heading = font;
    heading.setPointSizeF(report::HeadingFontPoints);
    int page = 0, lines = 0;
    double top = 0;
    const auto startPage = [&] {
        top = 0;
        if (page == 0) {
            painter.setFont(heading);
            painter.drawText(QPointF(report::HeadingLeft * k, report::HeadingTop * k),
                             layout.heading);
            top = report::TitleBandHeight;
        }
        painter.setFont(font);
        const double headerTop = (top + report::HeaderTextTop) * k;
        painter.drawText(QPointF(report::GroupLeft * k, headerTop), layout.groupTitle);
        for (const ReportColumn &c : layout.columns)
            painter.drawText(QPointF(c.left * k, headerTop), c.title);
        top += report::HeaderBandHeight;
        lines = 0;
    };
    const auto nextLine = [&] {
        if (lines == GroupedReport::linesOnPage(page)) {
            writer.newPage();
            ++page;
            startPage();
        }
        ++lines;
        const double y = top;
        top += report::LineHeight;
        return y;
    };
    startPage();
    QString current;
    bool first = true;
    while (q.next()) {
        const QString g = q.value(group).toString();
        if (first || g != current) {
            painter.drawText(QPointF(report::GroupLeft * k, nextLine() * k), g);
            current = g;
            first = false;
        }
        const double y = (nextLine() + report::DetailTop) * k;
        for (size_t c = 0; c < fields.size(); ++c) {
            const QString cell = q.value(fields[c]).toString();
            if (!cell.isEmpty())
                painter.drawText(QPointF(layout.columns[c].left * k, y), cell);
        }
    }
    return painter.end();
}

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
    if (step == u"pdf-bare") {
        ReportLayout layout;
        ok = LoadReportLayout(db, ReportTable::PrinterData, QStringLiteral("PrinterName"), lang,
                              layout, &error) &&
             barePdf(db, layout, file);
        detail = QStringLiteral("%1 MB").arg(QFileInfo(file).size() / 1e6, 0, 'f', 1);
    } else if (step == u"xlsx-bare" || step == u"csv-bare") {
        ok = step == u"csv-bare" ? bareCsv(db, lang, file) : bareXlsx(db, lang, file);
        detail = QStringLiteral("%1 MB").arg(QFileInfo(file).size() / 1e6, 0, 'f', 1);
    } else if (step == u"pdf" || step == u"preview" || step == u"qtpreview") {
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
    cl.addOption({QStringLiteral("rounds"), QStringLiteral("Rounds of every step (1)."),
                  QStringLiteral("n"), QStringLiteral("1")});
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
    // Each step in a fresh process, so its time and peak memory are its own; each product step
    // beside its baseline, in turn, round after round.
    int failed = 0;
    QStringList steps{QStringLiteral("pdf"),       QStringLiteral("pdf-bare"),
                      QStringLiteral("preview"),   QStringLiteral("xlsx"),
                      QStringLiteral("xlsx-bare"), QStringLiteral("csv"),
                      QStringLiteral("csv-bare")};
    if (cl.isSet(QStringLiteral("qt-preview")))
        steps << QStringLiteral("qtpreview");
    static const QRegularExpression timing(
        QStringLiteral(R"(^(\S+): ([0-9.e+-]+) s \(CPU ([0-9.e+-]+) s\))"));
    const int rounds = std::max(1, cl.value(QStringLiteral("rounds")).toInt());
    for (int round = 1; round <= rounds; ++round) {
        std::map<QString, std::pair<double, double>> times; // wall, CPU
        for (const QString &step : steps) {
            QProcess p;
            p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--measure"), step, QStringLiteral("--app"), appDir});
            const bool ran = p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit &&
                             p.exitCode() == 0;
            const QString text = QString::fromUtf8(p.readAllStandardOutput());
            out << text;
            failed += ran ? 0 : 1;
            const QRegularExpressionMatch m = timing.match(text);
            if (m.hasMatch())
                times[m.captured(1)] = {m.captured(2).toDouble(), m.captured(3).toDouble()};
        }
        out << "round " << round << ", ratios to the baselines (wall / CPU):" << Qt::endl;
        for (const char *step : {"pdf", "xlsx", "csv"}) {
            const auto ours = times.find(QLatin1String(step));
            const auto bare = times.find(QLatin1String(step) + QStringLiteral("-bare"));
            if (ours != times.end() && bare != times.end())
                out << "  " << step << ": " << ours->second.first / bare->second.first << "x / "
                    << ours->second.second / bare->second.second << "x" << Qt::endl;
        }
    }
    return failed;
}
