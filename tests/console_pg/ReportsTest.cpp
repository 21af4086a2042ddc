// Grouped report, export and column settings on PostgreSQL: the same statements, the same files.
#include "GroupedReport.h"
#include "PgConsoleFixture.h"
#include "PrinterDataSearch.h"
#include "ShowSettings.h"
#include "SpreadsheetExport.h"

#include <QFile>
#include <QProcess>
#include <QSqlQuery>

namespace vesk::test {

namespace {

using PgReports = PgConsoleFixture;

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST_F(PgReports, ReportExportAndSettingsRunOnTheServer)
{
    TdmMain &m = openModule();
    addPrint({QStringLiteral("Laser-1"), QStringLiteral("memo.doc"), QStringLiteral("PC-A"), 2,
              QStringLiteral("2026-11-03 10:00:00"), QStringLiteral("Sales"), QVariant()});
    addPrint({QStringLiteral("laser-1"), QStringLiteral("plan, v2"), QStringLiteral("PC-B"), 5,
              QStringLiteral("2026-11-20 16:30:00"), QStringLiteral("IT"), QStringLiteral("Ann")});
    addPrint({QStringLiteral("Laser-2"), QStringLiteral("old.doc"), QStringLiteral("PC-A"), 1,
              QStringLiteral("2026-10-30 09:00:00"), QStringLiteral("Sales"), QVariant()});
    const LangLookup lang = [&m](const QString &key) { return m.GetLangString(key); };
    const QString filter =
        PrinterDataSearch({QDate(2026, 11, 1), QDate(2026, 12, 1), {}, {}, {}, {}, {}}).filter;
    QSqlDatabase db = m.acntVesk.database();

    // Column settings: a title with a quote, then an edit refused and one stored.
    QString error;
    ASSERT_TRUE(SaveShowColumns(
        db, ReportTable::PrinterData, {QStringLiteral("documentName")},
        [](const QString &) { return QStringLiteral("Doc's name"); }, &error))
        << error.toStdString();
    ShowSettingEditor e;
    ASSERT_TRUE(e.open(db, ShowSettingStatement(ReportTable::Host), &error)) << error.toStdString();
    e.setValue(1, ShowSettingEditor::ColIsVisible, 2);
    EXPECT_EQ(e.post(), ShowSettingEditor::PostResult::Refused);
    e.setValue(1, ShowSettingEditor::ColIsVisible, 0);
    EXPECT_EQ(e.post(&error), ShowSettingEditor::PostResult::Stored) << error.toStdString();
    EXPECT_EQ(count(QStringLiteral("select count(*) from tShowSetting where IsVisible=0 and "
                                   "tableName='tHost'")),
              1);

    ReportLayout layout;
    ASSERT_TRUE(LoadReportLayout(db, ReportTable::PrinterData, QStringLiteral("PrinterName"), lang,
                                 layout, &error))
        << error.toStdString();
    EXPECT_EQ(layout.columns.front().title, QStringLiteral("Doc's name"));
    GroupedReport report(layout);
    ASSERT_TRUE(report.read(db, filter, &error)) << error.toStdString();
    EXPECT_EQ(report.groupCount(), 1); // citext: Laser-1 and laser-1 are one group
    EXPECT_EQ(report.rowCount(), 2);
    const QString pdf = dir->file(QStringLiteral("r.pdf"));
    ASSERT_TRUE(WriteReportPdf(report, pdf, &error)) << error.toStdString();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(printed.contains(QStringLiteral("plan, v2")));
    EXPECT_FALSE(printed.contains(QStringLiteral("old.doc")));

    ASSERT_TRUE(QSqlQuery(db).exec(
        QStringLiteral("update tPrinterData set JobOutcome=2, PagesPrinted=1, ColorPrint=1, "
                       "Duplex=0 where documentName='plan, v2'")));
    const QString csv = dir->file(QStringLiteral("r.csv"));
    ASSERT_TRUE(ExportRecords(db, ReportTable::PrinterData, filter,
                              ExportColumns(ReportTable::PrinterData, lang), csv, ExportFormat::Csv,
                              &error))
        << error.toStdString();
    const QByteArray bytes = readFile(csv);
    EXPECT_TRUE(bytes.contains("\r\nLaser-1,memo.doc,PC-A,\"2\",,A4,2026-11-03 10:00:00,user,"
                               "10.0.0.1,,,Sales,,,,,\r\n"))
        << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("\r\nlaser-1,\"plan, v2\",PC-B,\"5\",,A4,2026-11-20 16:30:00,user,"
                               "10.0.0.1,,Ann,IT,Cancelled,\"1\",Yes,No,\r\n"))
        << bytes.toStdString();
}

} // namespace vesk::test
