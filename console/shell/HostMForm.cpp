// The computer properties window.
#include "HostMForm.h"

#include "MainDM.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace vesk {

THostMFrm::THostMFrm(TdmMain &dm, QWidget *parent) : TLumoBackFrm(parent), dm_(dm)
{
    setObjectName(QStringLiteral("HostMFrm"));
    resize(380, 420);
    QWidget *c = ClientArea();
    QLineEdit **edits[] = {&edtName, &edtIP, &edtMAC, &edtNet, &edtEm, &edtTel, &edtFax, &edtEmail};
    const char *names[] = {"edtName", "edtIP",  "edtMAC", "edtNet",
                           "edtEm",   "edtTel", "edtFax", "edtEmail"};
    int top = 14;
    for (size_t i = 0; i < std::size(edits); ++i) {
        labels_[i] = new QLabel(c);
        labels_[i]->setGeometry(16, top + 2, 100, 20);
        *edits[i] = new QLineEdit(c);
        (*edits[i])->setObjectName(QLatin1String(names[i]));
        (*edits[i])->setGeometry(120, top, 230, 22);
        top += 32;
    }
    labels_[8] = new QLabel(c);
    labels_[8]->setGeometry(16, top + 2, 100, 20);
    edtMem = new QPlainTextEdit(c);
    edtMem->setObjectName(QStringLiteral("edtMem"));
    edtMem->setGeometry(120, top, 230, 60);
    top += 72;

    BtnOk = new QPushButton(c);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setGeometry(160, top, 85, 26);
    BtnOk->setDefault(true);
    BtnCancel = new QPushButton(c);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(265, top, 85, 26);
    connect(BtnOk, &QPushButton::clicked, this, &THostMFrm::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &THostMFrm::reject);
    applyCaptions();
}

THostMFrm::~THostMFrm() = default;

void THostMFrm::applyCaptions()
{
    const auto t = [this](const char *key) { return dm_.GetLangString(QLatin1String(key)); };
    lblCaption->setText(t("RSHostInfo"));
    setWindowTitle(lblCaption->text());
    const QString captions[] = {t("RShostName"), QStringLiteral("IP"), QStringLiteral("MAC"),
                                t("RSNetGroup"), t("RSBelongEmName"),  t("RSTel"),
                                t("RSFax"),      t("RSEmail"),         t("RSMemo")};
    for (size_t i = 0; i < std::size(labels_); ++i)
        labels_[i]->setText(captions[i]);
    BtnOk->setText(t("RSOK"));
    BtnCancel->setText(t("RSCancel"));
}

void THostMFrm::setRecord(const HostRecord &r)
{
    key_ = r.Key;
    edtName->setText(r.HostName);
    edtIP->setText(r.IP);
    edtMAC->setText(r.MAC);
    edtNet->setText(r.tNetGroup);
    edtEm->setText(r.EmName);
    edtTel->setText(r.Tel);
    edtFax->setText(r.Fax);
    edtEmail->setText(r.Email);
    edtMem->setPlainText(r.Memo);
    deptName_ = r.DeptName;
}

HostRecord THostMFrm::record() const
{
    return {key_,           edtName->text(),  edtIP->text(),        edtMAC->text(),
            edtNet->text(), deptName_,        edtEm->text(),        edtTel->text(),
            edtFax->text(), edtEmail->text(), edtMem->toPlainText()};
}

} // namespace vesk
