// The department properties window.
#include "DeptMForm.h"

#include "MainDM.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace vesk {

TDeptMFrm::TDeptMFrm(TdmMain &dm, QWidget *parent) : TLumoBackFrm(parent), dm_(dm)
{
    setObjectName(QStringLiteral("DeptMFrm"));
    resize(360, 300);
    QWidget *c = ClientArea();
    int top = 14;
    auto row = [&](QLabel *&label, QLineEdit *&edit, const char *name) {
        label = new QLabel(c);
        label->setGeometry(16, top + 2, 90, 20);
        edit = new QLineEdit(c);
        edit->setObjectName(QLatin1String(name));
        edit->setGeometry(110, top, 220, 22);
        top += 32;
    };
    row(lblName, edtName, "edtName");
    row(lblManager, edtManager, "edtManager");
    row(lblTel, edtTel, "edtTel");
    row(lblFax, edtFax, "edtFax");
    lblMemo = new QLabel(c);
    lblMemo->setGeometry(16, top + 2, 90, 20);
    Mem = new QPlainTextEdit(c);
    Mem->setObjectName(QStringLiteral("Mem"));
    Mem->setGeometry(110, top, 220, 60);
    top += 72;

    BtnOk = new QPushButton(c);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setGeometry(140, top, 85, 26);
    BtnOk->setDefault(true);
    BtnCancel = new QPushButton(c);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(245, top, 85, 26);
    connect(BtnOk, &QPushButton::clicked, this, &TDeptMFrm::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &TDeptMFrm::reject);
}

TDeptMFrm::~TDeptMFrm() = default;

void TDeptMFrm::setRecord(const DeptRecord &r)
{
    key_ = r.Key;
    edtName->setText(r.Name);
    edtManager->setText(r.Manager);
    edtTel->setText(r.Tel);
    edtFax->setText(r.Fax);
    Mem->setPlainText(r.Memo);
}

DeptRecord TDeptMFrm::record() const
{
    return {key_,           edtName->text(), edtManager->text(),
            edtTel->text(), edtFax->text(),  Mem->toPlainText()};
}

void TDeptMFrm::FormShow()
{
    TLumoBackFrm::FormShow();
    const auto t = [this](const char *key) { return dm_.GetLangString(QLatin1String(key)); };
    lblCaption->setText(t("RSDeptName"));
    setWindowTitle(lblCaption->text());
    lblName->setText(t("RSName"));
    lblManager->setText(t("RSManager"));
    lblTel->setText(t("RSTel"));
    lblFax->setText(t("RSFax"));
    lblMemo->setText(t("RSMemo"));
    BtnOk->setText(t("RSOK"));
    BtnCancel->setText(t("RSCancel"));
    edtName->setFocus();
}

} // namespace vesk
