// plPrinterData: the print history pane of the console's work area.
#pragma once

#include "DataPane.h"
#include "JobOutcome.h"
#include "Totals.h"

#include <QString>

#include <functional>
#include <optional>

class QAction;
class QComboBox;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace vesk {

class RecordEditModel;
class RecordGrid;

// The grid dbPrinterData over the data module's aqryPrinterData and the search panel below
// it. Searches and title clicks run in the database; the grid fetches rows as it scrolls.
// Cells are edited in place and each change is stored at once. Window thread only.
class PrinterDataView : public DataPane
{
    Q_OBJECT

public:
    explicit PrinterDataView(TdmMain &dm, QWidget *parent = nullptr);
    ~PrinterDataView() override;

    // Captions of the search panel, the menu item and the group box from the catalogue.
    void applyCatalogue();

    // The WHERE clause of the last search (" where ..."); empty at creation and after a reset.
    const QString &PrinterDataFilter() const { return PrinterDataFilter_; }
    // The same search for the kept totals, where they hold its conditions (every record: yes).
    const std::optional<TotalsSearch> &PrinterDataTotals() const { return PrinterDataTotals_; }

    // Empties the boxes, puts the last 30 days into the pickers and shows every record.
    void ResetPrinterData();
    void btnSearchClick();
    void btnResetClick() { ResetPrinterData(); }
    // Sorts by the field of the clicked model column, descending and ascending in turn.
    void dbPrinterDataTitleClick(int column) { sortByColumn(column); }
    // Shows the current record in full in an information window.
    void dbPrinterDataDblClick();
    // Deletes the current record after the administrator confirms.
    void MenudeletedataClick();

    // The group column the radio buttons choose for grouped printing.
    QString groupColumn() const;
    // The job conditions the three boxes choose.
    JobFilter jobFilter() const;

    // How the details are shown; by default a modal TLumoInfoFrm. Tests replace it.
    std::function<void(const QString &text)> showDetails;

    RecordGrid *dbPrinterData;
    QMenu *pmprinterdata;
    QAction *Menudeletedata;
    QWidget *plPrinterDataSearch;
    QLabel *lblPHost;
    QLabel *lblDept;
    QLabel *lblPrinterName;
    QLabel *lblem;
    QLabel *lblPrintTime;
    QLabel *lblTo;
    QLineEdit *edtHost;
    QLineEdit *edtDept;
    QLineEdit *edtPrinter;
    QLineEdit *edtEm;
    QDateTimeEdit *dtpBegin;
    QDateTimeEdit *dtpEnd;
    // Job conditions: "(any)" first, then the values (the stored code as item data).
    QLabel *lblOutcome;
    QLabel *lblColor;
    QLabel *lblDuplex;
    QComboBox *cbOutcome;
    QComboBox *cbColor;
    QComboBox *cbDuplex;
    QPushButton *btnSearch;
    QPushButton *btnReset;
    QGroupBox *grp;
    QRadioButton *rbDept;
    QRadioButton *rbEm;
    QRadioButton *rbPrinter;
    QRadioButton *rbHost;
    QPushButton *btnPrinterDataPrint;
    QPushButton *btnPrintSetting;
    QPushButton *btnExport;
    QPushButton *btnChart;

Q_SIGNALS:
    // The later commands of this pane: grouped printing, column settings, spreadsheet export,
    // chart.
    void printRequested();
    void printSettingRequested();
    void exportRequested();
    // The trend chart of the search in force.
    void chartRequested();

private:
    void buildSearchPanel();

    RecordEditModel *model_;
    QString PrinterDataFilter_;
    std::optional<TotalsSearch> PrinterDataTotals_ = TotalsSearch();
};

} // namespace vesk
