// TDeptMFrm: the department properties window: name, manager, phone, fax and notes.
#pragma once

#include "DeptOperations.h"
#include "LumoBackForm.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vesk {

class TdmMain;

// Shown modally by the department view; OK accepts, Cancel rejects. It only edits the fields;
// the view saves them (DeptOperations::SaveDept).
class TDeptMFrm : public TLumoBackFrm
{
    Q_OBJECT

public:
    explicit TDeptMFrm(TdmMain &dm, QWidget *parent = nullptr);
    ~TDeptMFrm() override;

    void setRecord(const DeptRecord &record);
    DeptRecord record() const;

    QLabel *lblName;
    QLabel *lblManager;
    QLabel *lblTel;
    QLabel *lblFax;
    QLabel *lblMemo;
    QLineEdit *edtName;
    QLineEdit *edtManager;
    QLineEdit *edtTel;
    QLineEdit *edtFax;
    QPlainTextEdit *Mem;
    QPushButton *BtnOk;
    QPushButton *BtnCancel;

protected:
    // Captions are set each time the window is shown.
    void FormShow() override;

private:
    TdmMain &dm_;
    QVariant key_; // the row shown, handed back for the save
};

} // namespace vesk
