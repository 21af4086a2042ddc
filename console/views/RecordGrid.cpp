// The console's data grid and its kept column layout.
#include "RecordGrid.h"

#include "Dataset.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSqlRecord>

namespace vesk {

namespace {

// Fields without a declared width: a date-time shows its full stamp, other text a fair share.
constexpr int DateTimeChars = 19;
constexpr int UndeclaredTextChars = 40;

} // namespace

RecordGrid::RecordGrid(const TDataset &dataset, QWidget *parent)
    : QTableView(parent), dataset_(dataset)
{
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setTextElideMode(Qt::ElideRight);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setAlternatingRowColors(false);
    // A double click belongs to the record details; editing starts by typing or F2.
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                    QAbstractItemView::SelectedClicked);

    pnlBusy_ = new QFrame(this);
    pnlBusy_->setObjectName(QStringLiteral("pnlBusy"));
    pnlBusy_->setFrameShape(QFrame::StyledPanel);
    pnlBusy_->setAutoFillBackground(true);
    lblBusy_ = new QLabel(pnlBusy_);
    btnCancelSort_ = new QPushButton(pnlBusy_);
    btnCancelSort_->setObjectName(QStringLiteral("btnCancelSort"));
    auto *row = new QHBoxLayout(pnlBusy_);
    row->addWidget(lblBusy_);
    row->addWidget(btnCancelSort_);
    pnlBusy_->hide();
    connect(btnCancelSort_, &QPushButton::clicked, this, &RecordGrid::cancelRequested);
    busyDelay_.setSingleShot(true);
    busyDelay_.setInterval(BusyPanelDelayMs);
    connect(&busyDelay_, &QTimer::timeout, this, [this] {
        if (!busy_)
            return;
        placeBusyPanel();
        pnlBusy_->show();
        pnlBusy_->raise();
    });
}

void RecordGrid::setBusy(bool on, const QString &text, const QString &cancelText)
{
    busy_ = on;
    if (on) {
        lblBusy_->setText(text);
        btnCancelSort_->setText(cancelText);
        viewport()->setCursor(Qt::BusyCursor);
        busyDelay_.start();
    } else {
        busyDelay_.stop();
        pnlBusy_->hide();
        viewport()->unsetCursor();
    }
}

void RecordGrid::placeBusyPanel()
{
    pnlBusy_->adjustSize();
    const QSize size = pnlBusy_->sizeHint();
    pnlBusy_->setGeometry((width() - size.width()) / 2, (height() - size.height()) / 2,
                          size.width(), size.height());
}

void RecordGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    if (pnlBusy_->isVisible())
        placeBusyPanel();
}

void RecordGrid::keepLayout()
{
    QAbstractItemModel *m = model();
    connect(m, &QAbstractItemModel::modelAboutToBeReset, this, &RecordGrid::remember);
    connect(m, &QAbstractItemModel::modelReset, this, &RecordGrid::restore);
    connect(m, &QAbstractItemModel::headerDataChanged, this, &RecordGrid::fitTitles);
    restore();
}

// The titles come after the reset that sized the columns by their fields' names: a column not
// sized by the user yet takes its title's width then.
void RecordGrid::fitTitles(Qt::Orientation orientation, int first, int last)
{
    if (orientation != Qt::Horizontal)
        return;
    for (int column = first; column <= last && column < model()->columnCount(); ++column) {
        const QString name = fieldOf(column);
        if (!width_.contains(name.toLower()))
            horizontalHeader()->resizeSection(column, defaultWidth(name, column));
    }
}

QString RecordGrid::fieldOf(int column) const
{
    return dataset_.model()->record().fieldName(column);
}

QStringList RecordGrid::fieldOrder() const
{
    QStringList names;
    const QHeaderView *h = horizontalHeader();
    const int n = model() ? model()->columnCount() : 0;
    if (n == 0)
        return order_;
    for (int visual = 0; visual < n; ++visual)
        names << fieldOf(h->logicalIndex(visual));
    return names;
}

int RecordGrid::currentRow() const
{
    const QModelIndex cur = currentIndex();
    if (cur.isValid())
        return cur.row();
    return model() && model()->rowCount() > 0 ? 0 : -1;
}

void RecordGrid::goToRow(int row)
{
    QAbstractItemModel *m = model();
    if (!m)
        return;
    while (row >= m->rowCount() && m->canFetchMore({}))
        m->fetchMore({});
    row = std::min(row, m->rowCount() - 1);
    if (row < 0)
        return;
    const int col = std::max(0, currentIndex().column());
    setCurrentIndex(m->index(row, col));
}

void RecordGrid::keyPressEvent(QKeyEvent *event)
{
    if (busy_ && event->key() == Qt::Key_Escape) {
        Q_EMIT cancelRequested();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier)) {
        Q_EMIT deleteKeyPressed();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void RecordGrid::remember()
{
    const QHeaderView *h = horizontalHeader();
    const int n = model()->columnCount();
    if (n == 0)
        return;
    order_.clear();
    for (int visual = 0; visual < n; ++visual) {
        const int logical = h->logicalIndex(visual);
        const QString name = fieldOf(logical);
        order_ << name;
        width_.insert(name.toLower(), h->sectionSize(logical));
    }
}

void RecordGrid::restore()
{
    QHeaderView *h = horizontalHeader();
    const int n = model() ? model()->columnCount() : 0;
    if (n == 0)
        return;
    // Remembered fields first, in their order; new ones keep the result's order after them.
    int target = 0;
    for (const QString &name : std::as_const(order_)) {
        const int logical = dataset_.columnOf(name);
        if (logical < 0)
            continue;
        const int from = h->visualIndex(logical);
        if (from != target)
            h->moveSection(from, target);
        ++target;
    }
    for (int logical = 0; logical < n; ++logical) {
        const QString name = fieldOf(logical);
        const auto it = width_.constFind(name.toLower());
        h->resizeSection(logical, it != width_.cend() ? *it : defaultWidth(name, logical));
    }
}

int RecordGrid::defaultWidth(const QString &field, int column) const
{
    int chars = dataset_.displayWidth(field);
    if (chars <= 0) {
        chars = field.compare(QStringLiteral("PrintTime"), Qt::CaseInsensitive) == 0
                    ? DateTimeChars
                    : UndeclaredTextChars;
    }
    const QFontMetrics fm = fontMetrics();
    const int cell = chars * fm.horizontalAdvance(u'0') + 8;
    const int title =
        fm.horizontalAdvance(model()->headerData(column, Qt::Horizontal).toString()) + 12;
    return std::max(cell, title);
}

} // namespace vesk
