// TBudgetFrm: each department's monthly budget with what it spent, its share and forecast; the
// figures are BudgetBook's.
#pragma once

#include "LumoBackForm.h"
#include "Money.h"

#include <QDate>

#include <functional>

class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace vesk {

class TdmMain;

class TBudgetFrm : public TLumoBackFrm
{
    Q_OBJECT

public:
    explicit TBudgetFrm(TdmMain &dm, QWidget *parent = nullptr);
    ~TBudgetFrm() override;

    // Reads the chosen month's figures into the grid. A database error is shown; false then.
    bool ShowMonth();
    // Sets the selected department's budget to the amount entered; a bad amount is shown and
    // changes nothing.
    void BtnSetClick();

    // The day the forecast is made on; tests fix it.
    std::function<QDate()> Today;

    QDateEdit *edtMonth;
    QTableWidget *Grid;
    QLineEdit *edtAmount;
    QPushButton *BtnSet;
    QPushButton *BtnClose;

protected:
    void FormShow() override;

private:
    TdmMain &dm_;
    Currency currency_;
};

} // namespace vesk
