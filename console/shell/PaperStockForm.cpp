// The paper window: the stock per printer and paper (a paper below its minimum in red), the
// purchases, and the fields that add a purchase or set a minimum.
#include "PaperStockForm.h"

#include "MainDM.h"
#include "MessageFlags.h"
#include "PaperStock.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>

namespace vesk {

namespace {

constexpr qint64 MaxSheets = 2147483647;

QTableWidget *grid(QWidget *parent, const char *name, int columns, const QRect &at)
{
    auto *g = new QTableWidget(0, columns, parent);
    g->setObjectName(QLatin1String(name));
    g->setGeometry(at);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->verticalHeader()->hide();
    return g;
}

void fillRow(QTableWidget *g, int row, const QStringList &texts, bool marked)
{
    for (int col = 0; col < texts.size(); ++col) {
        auto *item = new QTableWidgetItem(texts[col]);
        if (col >= 2)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (marked)
            item->setForeground(Qt::red);
        g->setItem(row, col, item);
    }
}

} // namespace

TPaperStockFrm::TPaperStockFrm(TdmMain &dm, QWidget *parent)
    : TLumoBackFrm(parent), dm_(dm), currency_(ReadCurrency(dm.AppDir()))
{
    setObjectName(QStringLiteral("PaperStockFrm"));
    resize(700, 520);
    QWidget *c = ClientArea();
    StockGrid = grid(c, "StockGrid", 7, QRect(16, 12, 656, 190));
    PurchaseGrid = grid(c, "PurchaseGrid", 5, QRect(16, 210, 656, 150));
    cbPrinter = new QComboBox(c);
    cbPrinter->setObjectName(QStringLiteral("cbPrinter"));
    cbPrinter->setEditable(true);
    cbPrinter->setGeometry(16, 370, 150, 26);
    edtPaper = new QLineEdit(c);
    edtPaper->setObjectName(QStringLiteral("edtPaper"));
    edtPaper->setGeometry(174, 370, 120, 26);
    edtSheets = new QLineEdit(c);
    edtSheets->setObjectName(QStringLiteral("edtSheets"));
    edtSheets->setGeometry(302, 370, 80, 26);
    edtMoney = new QLineEdit(c);
    edtMoney->setObjectName(QStringLiteral("edtMoney"));
    edtMoney->setGeometry(390, 370, 90, 26);
    edtBought = new QDateEdit(QDate::currentDate(), c);
    edtBought->setObjectName(QStringLiteral("edtBought"));
    edtBought->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edtBought->setGeometry(488, 370, 100, 26);
    BtnBuy = new QPushButton(c);
    BtnBuy->setObjectName(QStringLiteral("BtnBuy"));
    BtnBuy->setGeometry(596, 370, 76, 26);
    edtMinimum = new QLineEdit(c);
    edtMinimum->setObjectName(QStringLiteral("edtMinimum"));
    edtMinimum->setGeometry(302, 404, 80, 26);
    BtnMinimum = new QPushButton(c);
    BtnMinimum->setObjectName(QStringLiteral("BtnMinimum"));
    BtnMinimum->setGeometry(390, 404, 120, 26);
    BtnClose = new QPushButton(c);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));
    BtnClose->setGeometry(587, 440, 85, 26);

    connect(BtnBuy, &QPushButton::clicked, this, [this] { BtnBuyClick(); });
    connect(BtnMinimum, &QPushButton::clicked, this, [this] { BtnMinimumClick(); });
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(StockGrid, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row < 0 || !StockGrid->item(row, 1))
            return;
        cbPrinter->setCurrentText(StockGrid->item(row, 0)->text());
        edtPaper->setText(StockGrid->item(row, 1)->text());
    });
}

TPaperStockFrm::~TPaperStockFrm() = default;

void TPaperStockFrm::FormShow()
{
    TLumoBackFrm::FormShow();
    const auto lang = [this](const char *key) { return dm_.GetLangString(QLatin1String(key)); };
    lblCaption->setText(lang("RSPaperStock"));
    setWindowTitle(lblCaption->text());
    StockGrid->setHorizontalHeaderLabels({lang("RSPrinterName"), lang("RSPageSize"),
                                          lang("RSBought"), lang("RSUsed"), lang("RSLeft"),
                                          lang("RSMinimum"), lang("RSSheetCost")});
    PurchaseGrid->setHorizontalHeaderLabels({lang("RSBuyDate"), lang("RSPrinterName"),
                                             lang("RSPageSize"), lang("RSSheets"), lang("RSPaid")});
    edtPaper->setPlaceholderText(lang("RSPageSize"));
    edtSheets->setPlaceholderText(lang("RSSheets"));
    edtMoney->setPlaceholderText(lang("RSPaid"));
    edtMinimum->setPlaceholderText(lang("RSMinimum"));
    BtnBuy->setText(lang("RSBuy"));
    BtnMinimum->setText(lang("RSSetMinimum"));
    BtnClose->setText(lang("RSClose"));
    QSqlQuery q(dm_.acntVesk.database());
    if (q.exec(QStringLiteral("select Name from tPrinter order by Name")))
        while (q.next())
            cbPrinter->addItem(q.value(0).toString());
    ShowStock();
}

bool TPaperStockFrm::ShowStock()
{
    const PaperStock stock(dm_.acntVesk.database());
    QString error;
    const auto lines = stock.stock(&error);
    const auto bought = lines ? stock.purchases(&error) : std::nullopt;
    if (!lines || !bought) {
        dm_.ShowMsg(error, MB_ICONSTOP);
        return false;
    }
    const QLocale locale = MoneyLocale(dm_.GetLangString(QStringLiteral("RSLanuage")));
    StockGrid->setRowCount(int(lines->size()));
    for (int r = 0; r < int(lines->size()); ++r) {
        const StockLine &l = (*lines)[size_t(r)];
        const auto price = l.sheetPrice();
        fillRow(StockGrid, r,
                {l.printer, l.paper, QString::number(l.bought), QString::number(l.used),
                 QString::number(l.left), l.minimum ? QString::number(*l.minimum) : QString(),
                 price ? PriceText(*price, currency_) : QString()},
                l.below);
    }
    PurchaseGrid->setRowCount(int(bought->size()));
    for (int r = 0; r < int(bought->size()); ++r) {
        const PaperPurchase &p = (*bought)[size_t(r)];
        fillRow(PurchaseGrid, r,
                {p.bought.toString(QStringLiteral("yyyy-MM-dd")), p.printer, p.paper,
                 QString::number(p.sheets), FormatMoney(p.money, currency_, locale)},
                false);
    }
    return true;
}

void TPaperStockFrm::badAmount(const QString &text)
{
    dm_.ShowMsg(dm_.GetLangString(QStringLiteral("RSBadAmount")).replace(u"%s"_qs, text),
                MB_ICONEXCLAMATION);
}

std::optional<qint64> TPaperStockFrm::sheets(const QString &text)
{
    const std::optional<qint64> n = ParseDecimal(text, 0, MaxSheets);
    if (!n)
        badAmount(text);
    return n;
}

void TPaperStockFrm::BtnBuyClick()
{
    PaperPurchase p;
    p.printer = cbPrinter->currentText().trimmed();
    p.paper = edtPaper->text().trimmed();
    p.bought = edtBought->date();
    if (p.printer.isEmpty() || p.paper.isEmpty()) {
        dm_.ShowMsg(dm_.GetLangString(QStringLiteral("RSPurchaseIncomplete")), MB_ICONEXCLAMATION);
        return;
    }
    const std::optional<qint64> n = sheets(edtSheets->text());
    if (!n)
        return;
    const std::optional<qint64> money = ParseAmount(edtMoney->text(), currency_);
    if (!money)
        return badAmount(edtMoney->text());
    p.sheets = *n;
    p.money = *money;
    QString error;
    bool unknown = false;
    if (!PaperStock(dm_.acntVesk.database()).buy(p, &error, &unknown))
        return unknown ? dm_.ShowMsg(
                             TdmMain::FillMsg(
                                 dm_.GetLangString(QStringLiteral("RSPrinterNotExist")), p.printer),
                             MB_ICONEXCLAMATION)
                       : dm_.ShowMsg(error, MB_ICONSTOP);
    edtSheets->clear();
    edtMoney->clear();
    ShowStock();
}

void TPaperStockFrm::BtnMinimumClick()
{
    const QString paper = edtPaper->text().trimmed();
    if (paper.isEmpty()) {
        dm_.ShowMsg(dm_.GetLangString(QStringLiteral("RSPurchaseIncomplete")), MB_ICONEXCLAMATION);
        return;
    }
    const std::optional<qint64> n = sheets(edtMinimum->text());
    if (!n)
        return;
    QString error;
    if (!PaperStock(dm_.acntVesk.database()).setMinimum(paper, *n, &error))
        return dm_.ShowMsg(error, MB_ICONSTOP);
    ShowStock();
}

} // namespace vesk
