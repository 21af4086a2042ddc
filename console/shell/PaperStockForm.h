// TPaperStockFrm: paper bought per printer, the minimum per paper and the stock left; the
// figures are PaperStock's.
#pragma once

#include "LumoBackForm.h"
#include "Money.h"

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace vesk {

class TdmMain;

class TPaperStockFrm : public TLumoBackFrm
{
    Q_OBJECT

public:
    explicit TPaperStockFrm(TdmMain &dm, QWidget *parent = nullptr);
    ~TPaperStockFrm() override;

    // Reads the stock and the purchases into the grids. A database error is shown; false then.
    bool ShowStock();
    // A purchase from the fields; a bad count or amount is shown and changes nothing.
    void BtnBuyClick();
    // The paper's minimum from the fields, likewise.
    void BtnMinimumClick();

    QTableWidget *StockGrid;
    QTableWidget *PurchaseGrid;
    QComboBox *cbPrinter;
    QLineEdit *edtPaper;
    QLineEdit *edtSheets;
    QLineEdit *edtMoney;
    QDateEdit *edtBought;
    QPushButton *BtnBuy;
    QLineEdit *edtMinimum;
    QPushButton *BtnMinimum;
    QPushButton *BtnClose;

protected:
    void FormShow() override;

private:
    // A count of sheets, or the message shown.
    std::optional<qint64> sheets(const QString &text);
    void badAmount(const QString &text);

    TdmMain &dm_;
    Currency currency_;
};

} // namespace vesk
