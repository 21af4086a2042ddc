// THostMFrm: the computer properties window: name, addresses, workgroup, employee and contacts.
#pragma once

#include "HostOperations.h"
#include "LumoBackForm.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vesk {

class TdmMain;

// Shown modally by the department view; OK accepts, Cancel rejects. The department is not shown
// here (it changes by drag and drop or reassignment); the view saves (HostOperations::SaveHost).
class THostMFrm : public TLumoBackFrm
{
    Q_OBJECT

public:
    explicit THostMFrm(TdmMain &dm, QWidget *parent = nullptr);
    ~THostMFrm() override;

    void setRecord(const HostRecord &record);
    // The edited fields; the department stays what setRecord gave.
    HostRecord record() const;

    QLineEdit *edtName;
    QLineEdit *edtIP;
    QLineEdit *edtMAC;
    QLineEdit *edtNet;
    QLineEdit *edtEm;
    QLineEdit *edtTel;
    QLineEdit *edtFax;
    QLineEdit *edtEmail;
    QPlainTextEdit *edtMem;
    QPushButton *BtnOk;
    QPushButton *BtnCancel;

private:
    // Captions are set when the window is created.
    void applyCaptions();

    TdmMain &dm_;
    QVariant key_; // the row shown, handed back for the save
    QString deptName_;
    QLabel *labels_[9];
};

} // namespace vesk
