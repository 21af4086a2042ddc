// Print, column settings and export of the print history and computer directory views.
#include "ReportButtons.h"

#include "GroupedReport.h"
#include "HostView.h"
#include "MainDM.h"
#include "PrinterDataView.h"
#include "ShowSettingForm.h"
#include "SpreadsheetExport.h"
#include "printerDataReportForm.h"

#include <QApplication>
#include <QFileDialog>

namespace vesk {

namespace {

// The save dialog's filter: workbooks; the name typed is used as typed.
const QString ExportFilter = QStringLiteral("Excel files (*.xlsx)");

// Restores the cursor however the command ends.
struct WaitCursor
{
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

ReportButtons::ReportButtons(TdmMain &dm, PrinterDataView *printerData, HostView *host,
                             QWidget *window)
    : QObject(window), dm_(dm), printerData_(printerData), host_(host), window_(window)
{
    connect(printerData_, &PrinterDataView::printRequested, this,
            &ReportButtons::btnPrinterDataPrintClick);
    connect(printerData_, &PrinterDataView::printSettingRequested, this,
            &ReportButtons::btnPrintSettingClick);
    connect(printerData_, &PrinterDataView::exportRequested, this, &ReportButtons::btnExportClick);
    connect(host_, &HostView::printRequested, this, &ReportButtons::btnHPrintClick);
    connect(host_, &HostView::showSettingRequested, this, &ReportButtons::btnHShowSettingClick);
    connect(host_, &HostView::exportRequested, this, &ReportButtons::btnExportHClick);

    showPreview = [this](const GroupedReport &report) {
        TPrinterDataReportFrm preview(dm_, report, window_);
        preview.exec();
    };
    showSettings = [](TShowSettingFrm &form) { form.exec(); };
    chooseExportFile = [this] {
        return QFileDialog::getSaveFileName(window_, QString(), QString(), ExportFilter);
    };
}

ReportButtons::~ReportButtons() = default;

void ReportButtons::btnPrinterDataPrintClick()
{
    printReport(ReportTable::PrinterData);
}

void ReportButtons::btnHPrintClick()
{
    printReport(ReportTable::Host);
}

void ReportButtons::btnPrintSettingClick()
{
    openSettings(ReportTable::PrinterData);
}

void ReportButtons::btnHShowSettingClick()
{
    openSettings(ReportTable::Host);
}

void ReportButtons::btnExportClick()
{
    exportRecords(ReportTable::PrinterData);
}

void ReportButtons::btnExportHClick()
{
    exportRecords(ReportTable::Host);
}

bool ReportButtons::SavePrinterDataColumns()
{
    return saveColumns(ReportTable::PrinterData);
}

bool ReportButtons::SaveHostColumns()
{
    return saveColumns(ReportTable::Host);
}

bool ReportButtons::saveColumns(ReportTable table)
{
    const bool history = table == ReportTable::PrinterData;
    const TDataset &dataset = history ? *dm_.aqryPrinterData : *dm_.aqryHost;
    const QStringList order = history ? printerData_->fieldOrder() : host_->fieldOrder();
    QString error;
    if (SaveShowColumns(
            dm_.acntVesk.database(), table, order,
            [&dataset](const QString &field) { return dataset.displayLabel(field); }, &error))
        return true;
    dm_.ShowMsg(error, MB_ICONSTOP);
    return false;
}

void ReportButtons::openSettings(ReportTable table)
{
    if (!saveColumns(table))
        return;
    TShowSettingFrm form(dm_, window_);
    QString error;
    if (!form.open(ShowSettingStatement(table), &error)) {
        dm_.ShowMsg(error, MB_ICONSTOP);
        return;
    }
    if (showSettings)
        showSettings(form);
}

void ReportButtons::printReport(ReportTable table)
{
    const bool history = table == ReportTable::PrinterData;
    const QString group = history ? printerData_->groupColumn() : host_->groupColumn();
    const QString filter = history ? printerData_->PrinterDataFilter() : host_->HostFilter();
    const LangLookup lang = [this](const QString &key) { return dm_.GetLangString(key); };

    std::unique_ptr<GroupedReport> report;
    QString error;
    {
        WaitCursor wait;
        ReportLayout layout;
        if (LoadReportLayout(dm_.acntVesk.database(), table, group, lang, layout, &error)) {
            // The group column's title is the one the view's grid shows.
            layout.groupTitle =
                (history ? *dm_.aqryPrinterData : *dm_.aqryHost).displayLabel(group);
            layout.currency = ReadCurrency(dm_.AppDir());
            report = std::make_unique<GroupedReport>(std::move(layout));
            if (!report->read(dm_.acntVesk.database(), filter, &error))
                report.reset();
        }
    }
    if (!report) {
        dm_.ShowMsg(error, MB_ICONSTOP);
        return;
    }
    if (showPreview)
        showPreview(*report);
}

void ReportButtons::exportRecords(ReportTable table)
{
    const QString file = chooseExportFile ? chooseExportFile() : QString();
    if (file.isEmpty())
        return;
    const QString filter =
        table == ReportTable::PrinterData ? printerData_->PrinterDataFilter() : host_->HostFilter();
    const LangLookup lang = [this](const QString &key) { return dm_.GetLangString(key); };
    QString error;
    bool ok = false;
    {
        WaitCursor wait;
        ok = ExportRecords(dm_.acntVesk.database(), table, filter,
                           ExportColumns(table, lang, ReadCurrency(dm_.AppDir())), file,
                           ExportFormatOf(file), &error);
    }
    if (ok)
        dm_.ShowMsg(dm_.GetLangString(QStringLiteral("RSExcelSuccess")), MB_ICONQUESTION);
    else
        dm_.ShowMsg(error, MB_ICONSTOP);
}

} // namespace vesk
