// The printer list view: grid, popup menu and the add, delete and save commands.
#include "PrinterListView.h"

#include "GridTexts.h"
#include "MainDM.h"
#include "MessageFlags.h"
#include "PaperStock.h"
#include "PriceColumns.h"

#include <QAction>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QSqlRecord>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

namespace vesk {

namespace {

// The printer's name in red, with a tip, where a paper of the printer is below its minimum.
class LowStockDelegate : public QStyledItemDelegate
{
public:
    LowStockDelegate(const QStringList &printers, const QString &tip, QObject *parent)
        : QStyledItemDelegate(parent), printers_(printers), tip_(tip)
    {}

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (printers_.contains(index.data(Qt::EditRole).toString().toCaseFolded()))
            option->palette.setColor(QPalette::Text, Qt::red);
    }
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        if (printers_.contains(index.data(Qt::EditRole).toString().toCaseFolded())) {
            QToolTip::showText(event->globalPos(), tip_, view);
            return true;
        }
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }

private:
    const QStringList &printers_;
    const QString tip_;
};

} // namespace

const QString TPrinterListView::MenuPrinterAddCaption = QStringLiteral("添加打印机");
const QString TPrinterListView::MenuPrinterDelCaption = QStringLiteral("删除当前打印机");
const QString TPrinterListView::MenuPrinterSaveCaption = QStringLiteral("保存");

TPrinterListView::TPrinterListView(TdmMain &dm, QWidget *parent) : QWidget(parent), dm_(dm)
{
    setObjectName(QStringLiteral("plPrinterList"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    DBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    DBGrid1->horizontalHeader()->setSectionsMovable(true);
    DBGrid1->horizontalHeader()->setHighlightSections(false);
    DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 6);
    DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    DBGrid1->installEventFilter(this);
    layout->addWidget(DBGrid1);

    pmPrinter = new QMenu(this);
    pmPrinter->setObjectName(QStringLiteral("pmPrinter"));
    MenuPrinterAdd = pmPrinter->addAction(MenuPrinterAddCaption);
    MenuPrinterAdd->setObjectName(QStringLiteral("MenuPrinterAdd"));
    MenuPrinterDel = pmPrinter->addAction(MenuPrinterDelCaption);
    MenuPrinterDel->setObjectName(QStringLiteral("MenuPrinterDel"));
    pmPrinter->addSeparator();
    MenuPrinterSave = pmPrinter->addAction(MenuPrinterSaveCaption);
    MenuPrinterSave->setObjectName(QStringLiteral("MenuPrinterSave"));

    connect(MenuPrinterAdd, &QAction::triggered, this, [this] { MenuPrinterAddClick(); });
    connect(MenuPrinterDel, &QAction::triggered, this, [this] { MenuPrinterDelClick(); });
    connect(MenuPrinterSave, &QAction::triggered, this, [this] { MenuPrinterSaveClick(); });
    connect(DBGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { pmPrinter->popup(DBGrid1->viewport()->mapToGlobal(pos)); });
}

TPrinterListView::~TPrinterListView()
{
    // The grid must let go of the model before the model goes.
    DBGrid1->setModel(nullptr);
}

bool TPrinterListView::ReopenPrinters()
{
    if (!printers_) {
        printers_ = std::make_unique<TPrinterTable>(dm_);
        priceColumns_ = std::make_unique<TPriceColumns>(dm_, *printers_);
        DBGrid1->setModel(priceColumns_.get());
        connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                &TPrinterListView::DBGrid1RowChanged);
    }
    QString error;
    const bool ok = printers_->Reopen(&error);
    // The marks are a hint: a failed read of the stock leaves the list unmarked.
    const auto stock = PaperStock(dm_.acntVesk.database()).stock();
    LowStock = stock ? PaperStock::printersBelow(*stock) : QStringList();
    priceColumns_->Reload(stock ? *stock : std::vector<StockLine>());
    DBGrid1->viewport()->update();
    setUpColumns();
    if (!ok)
        showDatabaseError(error);
    return ok;
}

void TPrinterListView::setUpColumns()
{
    const int name = printers_->NameColumn();
    const int host = printers_->HostNameColumn();
    const int monitor = printers_->IsMonitorColumn();
    const int prices = priceColumns_->FirstPriceColumn();
    for (int c = 0; c < printers_->columnCount(); ++c)
        DBGrid1->setColumnHidden(c, c != name && c != host && c != monitor);
    for (int c = prices; c < prices + TPriceColumns::PriceColumnCount; ++c) {
        DBGrid1->setColumnHidden(c, false);
        DBGrid1->setColumnWidth(c, 96);
    }
    if (name >= 0 && !DBGrid1->itemDelegateForColumn(name))
        DBGrid1->setItemDelegateForColumn(
            name, new LowStockDelegate(
                      LowStock, dm_.GetLangString(QStringLiteral("RSBelowMinimum")), DBGrid1));
    // Name takes its declared display width in characters; the others have fixed widths.
    const int nameChars =
        dm_.aqryPrinter ? dm_.aqryPrinter->displayWidth(QStringLiteral("Name")) : 50;
    if (name >= 0)
        DBGrid1->setColumnWidth(name, nameChars * DBGrid1->fontMetrics().averageCharWidth());
    if (host >= 0)
        DBGrid1->setColumnWidth(host, 64);
    if (monitor >= 0)
        DBGrid1->setColumnWidth(monitor, 106);
}

void TPrinterListView::MenuPrinterAddClick()
{
    if (!printers_ || !postPendingRow())
        return;
    const QModelIndex current = DBGrid1->currentIndex();
    const int row = printers_->InsertNew(current.isValid() ? current.row() : 0);
    if (row < 0)
        return;
    setCurrentRow(row, printers_->NameColumn());
    DBGrid1->setFocus();
}

void TPrinterListView::MenuPrinterDelClick()
{
    if (!printers_)
        return;
    const QModelIndex current = DBGrid1->currentIndex();
    if (!current.isValid() || printers_->rowCount() == 0)
        return;
    const QString question =
        TdmMain::FillMsg(dm_.GetLangString(QStringLiteral("RSDelPrinterConfirm")),
                         printers_->RowAt(current.row()).Name);
    if (dm_.AskOkCancel(question, MB_ICONEXCLAMATION) != IDOK)
        return;
    deleteCurrentRow();
}

void TPrinterListView::DBGrid1CtrlDelete()
{
    if (!printers_ || !DBGrid1->currentIndex().isValid() || printers_->rowCount() == 0)
        return;
    // The grid's own question, as every grid of the console asks it.
    if (dm_.AskOkCancel(DeleteRecordQuestion(dm_), MB_ICONQUESTION) != IDOK)
        return;
    deleteCurrentRow();
}

void TPrinterListView::deleteCurrentRow()
{
    const QModelIndex current = DBGrid1->currentIndex();
    const int row = current.row();
    QString error;
    if (!printers_->DeleteRow(row, &error)) {
        showDatabaseError(error);
        return;
    }
    setCurrentRow(qMin(row, printers_->rowCount() - 1), current.column());
}

void TPrinterListView::MenuPrinterSaveClick()
{
    if (!printers_)
        return;
    const QModelIndex current = DBGrid1->currentIndex();
    if (!current.isValid())
        return;
    postRow(current.row(), current.row());
}

void TPrinterListView::DBGrid1RowChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (posting_ || !previous.isValid() || !current.isValid() || current.row() == previous.row())
        return;
    if (!printers_->RowPending(previous.row()))
        return;
    // Stored after the view has finished moving, so a refusal can move it back.
    const int row = previous.row();
    const int goTo = current.row();
    QTimer::singleShot(0, this, [this, row, goTo] { postRow(row, goTo); });
}

bool TPrinterListView::postPendingRow()
{
    const int pending = printers_->PendingRow();
    if (pending < 0)
        return true;
    postRow(pending, pending);
    return printers_->PendingRow() < 0;
}

void TPrinterListView::postRow(int row, int goToRow)
{
    if (!printers_->RowPending(row) && row != goToRow)
        return; // stored or dropped meanwhile
    const int column = qMax(DBGrid1->currentIndex().column(), printers_->NameColumn());
    // The cursor goes to the printer the administrator chose, wherever the stored table puts it.
    const QSqlRecord target = printers_->record(goToRow);
    posting_ = true;
    QString error;
    const TPrinterTable::PostResult result = printers_->Post(row, &error);
    if (result == TPrinterTable::PostResult::Stored) {
        const int found = printers_->RowOf(target);
        setCurrentRow(found >= 0 ? found : qMin(goToRow, printers_->rowCount() - 1), column);
    } else {
        if (result == TPrinterTable::PostResult::Failed)
            showDatabaseError(error);
        // The row stays in edit with the values entered.
        setCurrentRow(row, column);
    }
    posting_ = false;
}

void TPrinterListView::setCurrentRow(int row, int column)
{
    if (row < 0 || row >= printers_->rowCount())
        return;
    if (column < 0 || DBGrid1->isColumnHidden(column))
        column = printers_->NameColumn();
    DBGrid1->setCurrentIndex(priceColumns_->index(row, column));
}

void TPrinterListView::showDatabaseError(const QString &text)
{
    dm_.ShowMsg(text, MB_ICONSTOP);
}

bool TPrinterListView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress && printers_) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier) {
            DBGrid1CtrlDelete();
            return true;
        }
        // An open cell editor takes its own Escape; this one is for the row.
        if (key->key() == Qt::Key_Escape && DBGrid1->currentIndex().isValid()) {
            const int row = DBGrid1->currentIndex().row();
            const int column = DBGrid1->currentIndex().column();
            printers_->CancelRow(row);
            setCurrentRow(qMin(row, printers_->rowCount() - 1), column);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vesk
