// TComputerAdjustFrm: the reassignment dialog: two departments side by side, computers moved
// between them with the arrow buttons.
#pragma once

#include "ComputerAdjust.h"
#include "LumoBackForm.h"

class QComboBox;
class QListWidget;
class QPushButton;

namespace vesk {

class TdmMain;

// Created per use by the department view: Prepare, then shown modally when it succeeded; Changed
// tells the opener to rebuild its tree. Every move is written at once.
class TComputerAdjustFrm : public TLumoBackFrm
{
    Q_OBJECT

public:
    TComputerAdjustFrm(TdmMain &dm, const QString &currentDept, QWidget *parent = nullptr);
    ~TComputerAdjustFrm() override;

    bool Prepare();
    bool Changed() const { return adjust_.Changed(); }

    QComboBox *DsCombox;
    QListWidget *DstList;
    QComboBox *SrcCombox;
    QListWidget *SrcList;
    QPushButton *IncludeBtn;
    QPushButton *ExcludeBtn;
    QPushButton *BtnClose;

    void IncludeBtnClick();
    void ExcludeBtnClick();
    void DsComboxChange();
    void SrcComboxChange();
    void BtnCloseClick();

protected:
    void FormShow() override;

private:
    // The lists and buttons from the logic's state; `focus` gets `row` selected.
    void showLists(QListWidget *focus = nullptr, int row = -1);
    std::vector<int> selectedRows(QListWidget *list) const;

    TdmMain &dm_;
    QString currentDept_;
    ComputerAdjust adjust_;
    bool filling_ = false;
};

} // namespace vesk
