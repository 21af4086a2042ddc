// The reassignment dialog's window; its rules are ComputerAdjust's.
#include "ComputerAjustForm.h"

#include "MainDM.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

namespace vesk {

TComputerAdjustFrm::TComputerAdjustFrm(TdmMain &dm, const QString &currentDept, QWidget *parent)
    : TLumoBackFrm(parent), dm_(dm), currentDept_(currentDept), adjust_(dm)
{
    setObjectName(QStringLiteral("ComputerAdjustFrm"));
    resize(520, 380);
    QWidget *c = ClientArea();
    DsCombox = new QComboBox(c);
    DsCombox->setObjectName(QStringLiteral("DsCombox"));
    DsCombox->setGeometry(16, 14, 200, 24);
    DstList = new QListWidget(c);
    DstList->setObjectName(QStringLiteral("DstList"));
    DstList->setGeometry(16, 46, 200, 250);
    DstList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    SrcCombox = new QComboBox(c);
    SrcCombox->setObjectName(QStringLiteral("SrcCombox"));
    SrcCombox->setGeometry(292, 14, 200, 24);
    SrcList = new QListWidget(c);
    SrcList->setObjectName(QStringLiteral("SrcList"));
    SrcList->setGeometry(292, 46, 200, 250);
    SrcList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    IncludeBtn = new QPushButton(QStringLiteral("<<"), c);
    IncludeBtn->setObjectName(QStringLiteral("IncludeBtn"));
    IncludeBtn->setGeometry(229, 130, 50, 26);
    ExcludeBtn = new QPushButton(QStringLiteral(">>"), c);
    ExcludeBtn->setObjectName(QStringLiteral("ExcludeBtn"));
    ExcludeBtn->setGeometry(229, 170, 50, 26);
    BtnClose = new QPushButton(c);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));
    BtnClose->setGeometry(407, 308, 85, 26);

    connect(IncludeBtn, &QPushButton::clicked, this, [this] { IncludeBtnClick(); });
    connect(ExcludeBtn, &QPushButton::clicked, this, [this] { ExcludeBtnClick(); });
    connect(DsCombox, &QComboBox::currentIndexChanged, this, [this] { DsComboxChange(); });
    connect(SrcCombox, &QComboBox::currentIndexChanged, this, [this] { SrcComboxChange(); });
    connect(BtnClose, &QPushButton::clicked, this, [this] { BtnCloseClick(); });
}

TComputerAdjustFrm::~TComputerAdjustFrm() = default;

bool TComputerAdjustFrm::Prepare()
{
    if (!adjust_.Prepare(currentDept_))
        return false;
    filling_ = true;
    DsCombox->addItems(adjust_.Departments());
    SrcCombox->addItems(adjust_.Departments());
    DsCombox->setCurrentIndex(adjust_.DsIndex());
    SrcCombox->setCurrentIndex(adjust_.SrcIndex());
    filling_ = false;
    showLists();
    return true;
}

void TComputerAdjustFrm::FormShow()
{
    TLumoBackFrm::FormShow();
    lblCaption->setText(dm_.GetLangString(QStringLiteral("RSComputerAjust")));
    setWindowTitle(lblCaption->text());
    BtnClose->setText(dm_.GetLangString(QStringLiteral("RSClose")));
}

void TComputerAdjustFrm::showLists(QListWidget *focus, int row)
{
    DstList->clear();
    DstList->addItems(adjust_.DstList());
    SrcList->clear();
    SrcList->addItems(adjust_.SrcList());
    if (focus) {
        focus->setFocus();
        if (row >= 0) {
            focus->setCurrentRow(row);
        }
    }
    IncludeBtn->setEnabled(adjust_.IncludeEnabled());
    ExcludeBtn->setEnabled(adjust_.ExcludeEnabled());
}

std::vector<int> TComputerAdjustFrm::selectedRows(QListWidget *list) const
{
    std::vector<int> rows;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->isSelected())
            rows.push_back(i);
    }
    return rows;
}

void TComputerAdjustFrm::IncludeBtnClick()
{
    if (DsCombox->currentIndex() < 0 || SrcCombox->currentIndex() < 0)
        return;
    const int row = adjust_.Include(selectedRows(SrcList));
    showLists(SrcList, row);
}

void TComputerAdjustFrm::ExcludeBtnClick()
{
    if (DsCombox->currentIndex() < 0 || SrcCombox->currentIndex() < 0)
        return;
    const int row = adjust_.Exclude(selectedRows(DstList));
    showLists(DstList, row);
}

void TComputerAdjustFrm::DsComboxChange()
{
    if (filling_)
        return;
    if (!adjust_.SelectDs(DsCombox->currentIndex())) {
        const QSignalBlocker block(DsCombox);
        DsCombox->setCurrentIndex(adjust_.DsIndex());
        return;
    }
    showLists();
}

void TComputerAdjustFrm::SrcComboxChange()
{
    if (filling_)
        return;
    if (!adjust_.SelectSrc(SrcCombox->currentIndex())) {
        const QSignalBlocker block(SrcCombox);
        SrcCombox->setCurrentIndex(adjust_.SrcIndex());
        return;
    }
    showLists();
}

void TComputerAdjustFrm::BtnCloseClick()
{
    close();
}

} // namespace vesk
