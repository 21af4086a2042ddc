// plHost: the computer directory pane of the console's work area.
#pragma once

#include "DataPane.h"

#include <QString>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vesk {

class RecordGrid;

// The grid dbHost over the data module's shared aqryHost and the search panel plHostSearch.
// The grid is read-only: computers are edited, renamed and deleted through the department
// view's properties and delete commands, which check names and carry renames into tPrinter.
// Searches and title clicks run in the database. Window thread only.
class HostView : public DataPane
{
    Q_OBJECT

public:
    explicit HostView(TdmMain &dm, QWidget *parent = nullptr);
    ~HostView() override;

    // Captions of the search panel and the group box from the catalogue.
    void applyCatalogue();

    // The WHERE clause of the last search (" where  ..."), or empty.
    const QString &HostFilter() const { return HostFilter_; }

    // Empties the boxes and shows every computer.
    void ResetHostData();
    void btnHSearchClick();
    void btnHResetClick() { ResetHostData(); }
    // Sorts by the field of the clicked model column, descending and ascending in turn.
    void dbHostTitleClick(int column) { sortByColumn(column); }

    // The group column the radio buttons choose for grouped printing.
    QString groupColumn() const;

    RecordGrid *dbHost;
    QWidget *plHostSearch;
    QLabel *lblHost;
    QLabel *lblHDept;
    QLabel *lblIP;
    QLabel *lblHem;
    QLabel *lblHNet;
    QLabel *lblHtel;
    QLineEdit *edtHhost;
    QLineEdit *edtHDept;
    QLineEdit *edtHIP;
    QLineEdit *edtHem;
    QLineEdit *edtHNet;
    QLineEdit *edtHTel;
    QPushButton *btnHSearch;
    QPushButton *btnHReset;
    QGroupBox *grH;
    QRadioButton *rbHDept;
    QRadioButton *rbHEm;
    QRadioButton *rbHNet;
    QRadioButton *rbHHost;
    QPushButton *btnHPrint;
    QPushButton *btnHShowSetting;
    QPushButton *btnExportH;

Q_SIGNALS:
    // The later commands of this pane: grouped printing, column settings, spreadsheet export.
    void printRequested();
    void showSettingRequested();
    void exportRequested();

private:
    void buildSearchPanel();

    QString HostFilter_;
};

} // namespace vesk
