// The print, column settings and export buttons of the console's two data views.
#pragma once

#include "ReportTables.h"

#include <QObject>
#include <QString>

#include <functional>

namespace vesk {

class GroupedReport;
class HostView;
class PrinterDataView;
class TdmMain;
class TShowSettingFrm;

// Handlers of the main window behind the views' print, "..." and export buttons. Each works on
// the view's last search (its filter) and shows failures in the data module's message box.
// The dialogs are shown through replaceable steps so tests can answer them. Window thread only.
class ReportButtons : public QObject
{
    Q_OBJECT

public:
    ReportButtons(TdmMain &dm, PrinterDataView *printerData, HostView *host,
                  QWidget *window = nullptr);
    ~ReportButtons() override;

    void btnPrinterDataPrintClick();
    void btnHPrintClick();
    void btnPrintSettingClick();
    void btnHShowSettingClick();
    void btnExportClick();
    void btnExportHClick();

    // Write the grids' current column order and titles into tShowSetting.
    bool SavePrinterDataColumns();
    bool SaveHostColumns();

    // The modal steps: the preview, the settings window, the save dialog of the export.
    std::function<void(const GroupedReport &report)> showPreview;
    std::function<void(TShowSettingFrm &form)> showSettings;
    std::function<QString()> chooseExportFile;

private:
    void printReport(ReportTable table);
    void openSettings(ReportTable table);
    void exportRecords(ReportTable table);
    bool saveColumns(ReportTable table);

    TdmMain &dm_;
    PrinterDataView *printerData_;
    HostView *host_;
    QWidget *window_;
};

} // namespace vesk
