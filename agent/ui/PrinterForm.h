// TPrinterFrm: the agent's add-printer dialog, and the check its OK button makes.
#pragma once

#include "LumoBackForm.h"

class QLineEdit;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vesk {

class TdmMain;

enum class PrinterNameCheck
{
    Ok,
    Exists,
    Null
};

// The name as typed is looked up as the database compares names ("RSPrinterExist" when a row
// holds it, only when `checkUnique`); then a name that is empty once blanks and control
// characters are trimmed gets "RSNameNull". Both boxes carry the exclamation icon.
PrinterNameCheck CheckNewPrinterName(TdmMain &dm, const QString &name, bool checkUnique);

// Shown modally by the main window; accepted only with a name that passed the check.
class TPrinterFrm : public TLumoBackFrm
{
    Q_OBJECT

public:
    TPrinterFrm(TdmMain &dm, QWidget *parent = nullptr);
    ~TPrinterFrm() override;

    bool CheckUnique = false; // the uniqueness check of BtnOkClick

    QString PrinterName() const;
    bool MonitorChosen() const;

    QLabel *lblPrinterName;
    QLineEdit *edtPrinterName;
    QLabel *lblIsMonitor;
    QRadioButton *rbYes;
    QRadioButton *rbNo;
    QPushButton *BtnOk;
    QPushButton *BtnCancel;

public Q_SLOTS:
    void BtnOkClick();

protected:
    void FormShow() override;

private:
    TdmMain &dm_;
};

} // namespace vesk
