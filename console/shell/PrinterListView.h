// plPrinterList: the printer list view of the console, the grid DBGrid1 over tPrinter.
#pragma once

#include "PrinterTable.h"

#include <QModelIndex>
#include <QWidget>

#include <memory>

class QAction;
class QMenu;
class QTableView;

namespace vesk {

class TdmMain;
class TPriceColumns;

// The grid edits in place; a row is stored when the administrator leaves it, saves it from the
// menu, or adds another, and it is refused (staying in edit) when its check fails. Escape drops
// the current row's unstored edits. A price cell is stored on its own as soon as it is entered.
class TPrinterListView : public QWidget
{
    Q_OBJECT

public:
    // The menu's captions are the program's own, the same in every language.
    static const QString MenuPrinterAddCaption;
    static const QString MenuPrinterDelCaption;
    static const QString MenuPrinterSaveCaption;

    explicit TPrinterListView(TdmMain &dm, QWidget *parent = nullptr);
    ~TPrinterListView() override;

    // Closes the printer dataset and opens it again, so the grid shows the stored rows. A
    // database error is shown in the standard error box; false then.
    bool ReopenPrinters();
    // The dataset; null until the first ReopenPrinters (it needs the connection).
    TPrinterTable *Printers() const { return printers_.get(); }
    // The grid's model: the printer table with the price columns after its own.
    TPriceColumns *PriceColumns() const { return priceColumns_.get(); }

    void MenuPrinterAddClick();
    void MenuPrinterDelClick();
    void MenuPrinterSaveClick();
    // Ctrl+Delete in the grid: the grid's standard question, then the same deletion.
    void DBGrid1CtrlDelete();

    QTableView *DBGrid1;
    // Printers (names folded) with a paper below its minimum, read at each reopen; their names
    // show in red.
    QStringList LowStock;
    QMenu *pmPrinter;
    QAction *MenuPrinterAdd;
    QAction *MenuPrinterDel;
    QAction *MenuPrinterSave;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Leaving a row with edits stores it; a refused row takes the cursor back.
    void DBGrid1RowChanged(const QModelIndex &current, const QModelIndex &previous);
    // Stores the pending row, if any. False when it was refused or failed (it stays current).
    bool postPendingRow();
    void deleteCurrentRow();
    void postRow(int row, int goToRow);
    void setCurrentRow(int row, int column = -1);
    void showDatabaseError(const QString &text);
    void setUpColumns();

    TdmMain &dm_;
    std::unique_ptr<TPrinterTable> printers_;
    // Declared after the table it reads, so it goes first.
    std::unique_ptr<TPriceColumns> priceColumns_;
    bool posting_ = false;
};

} // namespace vesk
