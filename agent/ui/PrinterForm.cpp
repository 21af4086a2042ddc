// The add-printer dialog: name, monitoring choice, and the checks before it closes with OK.
#include "PrinterForm.h"

#include "Errors.h"
#include "MainDM.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace vesk {

namespace {

// Blanks and control characters off both ends, as the name check has always trimmed.
QString trimmedName(const QString &name)
{
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && name.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && name.at(end - 1).unicode() <= 0x20)
        --end;
    return name.mid(begin, end - begin);
}

} // namespace

PrinterNameCheck CheckNewPrinterName(TdmMain &dm, const QString &name, bool checkUnique)
{
    if (checkUnique &&
        !dm.RecordMissing(QStringLiteral("tprinter"), QStringLiteral("name"), name)) {
        dm.ShowMsg(dm.GetLangString(QStringLiteral("RSPrinterExist")), MB_ICONEXCLAMATION);
        return PrinterNameCheck::Exists;
    }
    if (trimmedName(name).isEmpty()) {
        dm.ShowMsg(dm.GetLangString(QStringLiteral("RSNameNull")), MB_ICONEXCLAMATION);
        return PrinterNameCheck::Null;
    }
    return PrinterNameCheck::Ok;
}

TPrinterFrm::TPrinterFrm(TdmMain &dm, QWidget *parent) : TLumoBackFrm(parent), dm_(dm)
{
    setObjectName(QStringLiteral("PrinterFrm"));
    resize(330, 170);
    QWidget *c = ClientArea();

    lblPrinterName = new QLabel(c);
    lblPrinterName->setGeometry(16, 16, 90, 20);
    edtPrinterName = new QLineEdit(c);
    edtPrinterName->setObjectName(QStringLiteral("edtPrinterName"));
    edtPrinterName->setGeometry(110, 14, 190, 22);

    lblIsMonitor = new QLabel(c);
    lblIsMonitor->setGeometry(16, 50, 90, 20);
    rbYes = new QRadioButton(c);
    rbYes->setObjectName(QStringLiteral("rbYes"));
    rbYes->setGeometry(110, 50, 80, 20);
    rbYes->setChecked(true);
    rbNo = new QRadioButton(c);
    rbNo->setObjectName(QStringLiteral("rbNo"));
    rbNo->setGeometry(200, 50, 80, 20);

    BtnOk = new QPushButton(c);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setGeometry(110, 90, 85, 26);
    BtnOk->setDefault(true);
    BtnCancel = new QPushButton(c);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(215, 90, 85, 26);

    connect(BtnOk, &QPushButton::clicked, this, &TPrinterFrm::BtnOkClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TPrinterFrm::reject);
}

TPrinterFrm::~TPrinterFrm() = default;

QString TPrinterFrm::PrinterName() const
{
    return edtPrinterName->text();
}

bool TPrinterFrm::MonitorChosen() const
{
    return rbYes->isChecked();
}

void TPrinterFrm::FormShow()
{
    TLumoBackFrm::FormShow();
    const auto t = [this](const char *key) { return dm_.GetLangString(QLatin1String(key)); };
    lblCaption->setText(t("RSAddPrinter"));
    setWindowTitle(lblCaption->text());
    lblPrinterName->setText(t("RSPrinterName"));
    lblIsMonitor->setText(t("RSIsMonitorCaption"));
    rbYes->setText(t("RSYES"));
    rbNo->setText(t("RSNO"));
    BtnOk->setText(t("RSOK"));
    BtnCancel->setText(t("RSCancel"));
    edtPrinterName->setFocus();
}

void TPrinterFrm::BtnOkClick()
{
    try {
        if (CheckNewPrinterName(dm_, PrinterName(), CheckUnique) == PrinterNameCheck::Ok)
            accept();
    } catch (const VeskError &e) {
        // The database's own text in the standard error box; the dialog stays open.
        dm_.ShowMsg(e.message(), MB_ICONSTOP);
    }
}

} // namespace vesk
