// The views' print, settings and export commands as the administrator uses them, on real
// widgets: the settings window's check, the preview, the export's messages.
#include "ReportButtons.h"

#include "HostView.h"
#include "PrinterDataView.h"
#include "RecordGrid.h"
#include "ReportsFixture.h"
#include "ShowSettingForm.h"
#include "printerDataReportForm.h"

#include <QDateTimeEdit>
#include <QFile>
#include <QHeaderView>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTableView>

namespace vesk::test {

namespace {

class ReportButtonsTest : public ReportsFixture
{
protected:
    ReportButtonsTest() : history(dm), hosts(dm), commands(dm, &history, &hosts)
    {
        history.applyCatalogue();
        hosts.applyCatalogue();
        history.ResetPrinterData();
        hosts.ResetHostData();
    }
    QString setting(const QString &field, const char *column)
    {
        QSqlQuery q(db());
        q.exec(QStringLiteral("select %1 from tShowSetting where tableName='tPrinterData' and "
                              "FieldName='%2'")
                   .arg(QLatin1String(column), field));
        return q.next() ? q.value(0).toString() : QStringLiteral("(none)");
    }

    PrinterDataView history;
    HostView hosts;
    ReportButtons commands;
};

} // namespace

TEST_F(ReportButtonsTest, SettingsWindowSavesTheGridOrderAndRefusesIsVisible2)
{
    // The third history column moved to the first place.
    history.dbPrinterData->horizontalHeader()->moveSection(2, 0);
    const struct
    {
        bool pressOk; // else: move to the next row
        int isVisible;
        const char *stored;
        int currentRow;
    } cases[] = {{true, 2, "1", -1}, {false, 2, "1", 0}, {false, 0, "0", 1}, {true, 1, "1", -1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pressOk);
        boxes.shown.clear();
        int row = -2;
        commands.showSettings = [&](TShowSettingFrm &form) {
            form.show();
            EXPECT_FALSE(form.ds->flags(form.ds->index(0, 0)) & Qt::ItemIsEditable);
            ASSERT_EQ(form.aqryShowSetting.row(0).fieldName, QStringLiteral("PrinterName"));
            form.ds->setData(form.ds->index(0, ShowSettingEditor::ColIsVisible), c.isVisible,
                             Qt::EditRole);
            if (c.pressOk) {
                form.BtnOk->click();
                EXPECT_EQ(form.result(), QDialog::Accepted);
            } else {
                form.dbGrid->setCurrentIndex(form.ds->index(1, ShowSettingEditor::ColIsVisible));
                row = form.dbGrid->currentIndex().row();
                form.close();
            }
        };
        commands.btnPrintSettingClick();
        EXPECT_EQ(setting(QStringLiteral("PrinterName"), "IsVisible"), QLatin1String(c.stored));
        if (!c.pressOk) {
            EXPECT_EQ(row, c.currentRow);
        }
        const bool refused = c.isVisible == 2;
        ASSERT_EQ(boxes.shown.size(), refused ? 1u : 0u);
        if (refused) {
            EXPECT_EQ(boxes.shown[0].text, dm.GetLangString(QStringLiteral("RSIsVisible")));
            EXPECT_EQ(boxes.shown[0].style & MB_ICONMASK, unsigned(MB_ICONINFORMATION));
        }
    }
    EXPECT_EQ(setting(QStringLiteral("hostName"), "Findex"), QStringLiteral("0"));
    EXPECT_EQ(setting(QStringLiteral("PrinterName"), "Findex"), QStringLiteral("1"));
}

TEST_F(ReportButtonsTest, PrintShowsThePreviewOfTheLastSearch)
{
    addPrint({QStringLiteral("Laser-1"), QStringLiteral("memo.doc"), QStringLiteral("PC-A")});
    addPrint({QStringLiteral("Laser-2"), QStringLiteral("plan.doc"), QStringLiteral("PC-B"), 1,
              QStringLiteral("2020-01-01 08:00:00")});
    history.dtpBegin->setDate(QDate(2026, 3, 1));
    history.dtpEnd->setDate(QDate(2026, 3, 31));
    history.btnSearchClick();
    history.rbDept->setChecked(true);
    const QString pdf = dir.file(QStringLiteral("preview.pdf"));
    const QString printed = dir.file(QStringLiteral("printed.pdf"));
    int pages = 0;
    commands.showPreview = [&](const GroupedReport &report) {
        TPrinterDataReportFrm preview(dm, report);
        preview.show();
        pages = preview.pageCount();
        EXPECT_EQ(preview.windowTitle(), QStringLiteral("Print Report"));
        preview.choosePdfFile = [&] { return pdf; };
        preview.btnSavePdf->click();
        // Printing goes through QPrinter; a PDF printer stands for a CUPS queue.
        preview.choosePrinter = [&](QPrinter &printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printed);
            return true;
        };
        preview.btnPrint->click();
    };
    history.btnPrinterDataPrint->click();
    EXPECT_EQ(pages, 1);
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("memo.doc")));
    EXPECT_FALSE(text.contains(QStringLiteral("plan.doc")));
    EXPECT_TRUE(text.contains(QStringLiteral("Department"))); // the group column's title
    EXPECT_EQ(pdfText(printed), text);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ReportButtonsTest, ExportReportsSuccessAndFailureInABox)
{
    addPrint({QStringLiteral("Laser-1"), QStringLiteral("memo.doc"), QStringLiteral("PC-A")});
    const struct
    {
        const char *file;
        bool written;
        unsigned icon;
    } cases[] = {
        {"typed-name", true, MB_ICONQUESTION},
        {"no-folder/x.xlsx", false, MB_ICONSTOP},
        {"", false, 0}, // the dialog closed without a file: nothing at all
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        boxes.shown.clear();
        const QString file = *c.file ? dir.file(QString::fromLatin1(c.file)) : QString();
        commands.chooseExportFile = [&] { return file; };
        history.btnExport->click();
        EXPECT_EQ(QFile::exists(file), c.written);
        ASSERT_EQ(boxes.shown.size(), c.icon ? 1u : 0u);
        if (c.icon) {
            EXPECT_EQ(boxes.shown[0].style & MB_ICONMASK, c.icon);
        }
    }
}

} // namespace vesk::test
