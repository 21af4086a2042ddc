// The budget window: a month chooser over BudgetBook's lines; a row past its budget in red.
#include "BudgetForm.h"

#include "BudgetBook.h"
#include "MainDM.h"
#include "MessageFlags.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace vesk {

namespace {

enum Column
{
    ColDept,
    ColBudget,
    ColSpent,
    ColShare,
    ColForecast,
    ColumnCount
};

} // namespace

TBudgetFrm::TBudgetFrm(TdmMain &dm, QWidget *parent)
    : TLumoBackFrm(parent), Today(&QDate::currentDate), dm_(dm),
      currency_(ReadCurrency(dm.AppDir()))
{
    setObjectName(QStringLiteral("BudgetFrm"));
    resize(640, 440);
    QWidget *c = ClientArea();
    edtMonth = new QDateEdit(QDate::currentDate(), c);
    edtMonth->setObjectName(QStringLiteral("edtMonth"));
    edtMonth->setDisplayFormat(QStringLiteral("yyyy-MM"));
    edtMonth->setGeometry(16, 12, 110, 24);
    Grid = new QTableWidget(0, ColumnCount, c);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setGeometry(16, 44, 596, 300);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->verticalHeader()->hide();
    Grid->horizontalHeader()->setSectionResizeMode(ColDept, QHeaderView::Stretch);
    edtAmount = new QLineEdit(c);
    edtAmount->setObjectName(QStringLiteral("edtAmount"));
    edtAmount->setGeometry(16, 356, 120, 26);
    BtnSet = new QPushButton(c);
    BtnSet->setObjectName(QStringLiteral("BtnSet"));
    BtnSet->setGeometry(144, 356, 110, 26);
    BtnClose = new QPushButton(c);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));
    BtnClose->setGeometry(527, 356, 85, 26);

    connect(edtMonth, &QDateEdit::dateChanged, this, [this] { ShowMonth(); });
    connect(BtnSet, &QPushButton::clicked, this, [this] { BtnSetClick(); });
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(Grid, &QTableWidget::currentCellChanged, this, [this](int row) {
        const QTableWidgetItem *budget = row >= 0 ? Grid->item(row, ColBudget) : nullptr;
        edtAmount->setText(budget ? budget->data(Qt::UserRole).toString() : QString());
    });
}

TBudgetFrm::~TBudgetFrm() = default;

void TBudgetFrm::FormShow()
{
    TLumoBackFrm::FormShow();
    const auto lang = [this](const char *key) { return dm_.GetLangString(QLatin1String(key)); };
    lblCaption->setText(lang("RSBudgets"));
    setWindowTitle(lblCaption->text());
    Grid->setHorizontalHeaderLabels({lang("RSDeptName"), lang("RSBudget"), lang("RSSpent"),
                                     lang("RSShare"), lang("RSForecast")});
    BtnSet->setText(lang("RSSetBudget"));
    BtnClose->setText(lang("RSClose"));
    ShowMonth();
}

bool TBudgetFrm::ShowMonth()
{
    QString error;
    const auto lines = BudgetBook(dm_.acntVesk.database()).month(edtMonth->date(), Today(), &error);
    if (!lines) {
        dm_.ShowMsg(error, MB_ICONSTOP);
        return false;
    }
    const QLocale locale = MoneyLocale(dm_.GetLangString(QStringLiteral("RSLanuage")));
    const int current = Grid->currentRow();
    Grid->setRowCount(int(lines->size()));
    for (int r = 0; r < int(lines->size()); ++r) {
        const BudgetLine &l = (*lines)[size_t(r)];
        const QString texts[ColumnCount] = {
            QString(l.level * 4, u' ') + l.dept,
            l.budget ? FormatMoney(*l.budget, currency_, locale) : QString(),
            FormatMoney(l.spent, currency_, locale), ShareText(l.shareBp),
            FormatMoney(l.forecast, currency_, locale)};
        for (int col = 0; col < ColumnCount; ++col) {
            auto *item = new QTableWidgetItem(texts[col]);
            if (col != ColDept)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (l.over)
                item->setForeground(Qt::red);
            Grid->setItem(r, col, item);
        }
        Grid->item(r, ColDept)->setData(Qt::UserRole, l.dept);
        Grid->item(r, ColBudget)
            ->setData(Qt::UserRole, l.budget ? PlainMoney(*l.budget, currency_) : QString());
    }
    Grid->setCurrentCell(std::min(std::max(current, 0), Grid->rowCount() - 1), ColDept);
    return true;
}

void TBudgetFrm::BtnSetClick()
{
    const QTableWidgetItem *dept = Grid->item(Grid->currentRow(), ColDept);
    if (!dept)
        return;
    const QString text = edtAmount->text();
    AmountProblem problem = AmountProblem::None;
    const std::optional<qint64> amount = ParseAmount(text, currency_, &problem);
    if (!amount) {
        dm_.ShowMsg(dm_.GetLangString(QStringLiteral("RSBadAmount")).replace(u"%s"_qs, text),
                    MB_ICONEXCLAMATION);
        return;
    }
    QString error;
    if (!BudgetBook(dm_.acntVesk.database())
             .setBudget(dept->data(Qt::UserRole).toString(), *amount, &error)) {
        dm_.ShowMsg(error, MB_ICONSTOP);
        return;
    }
    ShowMonth();
}

} // namespace vesk
