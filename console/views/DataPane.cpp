// The console's data panes: grid, statement in force, sort mark and error display they share.
#include "DataPane.h"

#include "Dataset.h"
#include "MainDM.h"
#include "PagedQueryModel.h"
#include "RecordGrid.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesk {

namespace {

constexpr int PanelSpacing = 4;
constexpr int SettingButtonWidth = 28;

} // namespace

DataPane::DataPane(TdmMain &dm, TDataset &dataset, const char *gridName, QWidget *parent)
    : QWidget(parent), dm_(dm), statement_(dataset)
{
    grid_ = named(new RecordGrid(dataset, this), gridName);
    // After the statement has kept or put back its order (it connected first).
    connect(dataset.model(), &PagedQueryModel::backgroundReadEnded, this,
            [this](PagedQueryModel::ReadEnd end, const QString &error) {
                grid_->setBusy(false);
                showSortMark();
                if (end == PagedQueryModel::ReadEnd::Failed)
                    showError(error);
            });
    connect(grid_, &RecordGrid::cancelRequested, this, [this] { statement_.cancelSort(); });
}

DataPane::~DataPane() = default;

QStringList DataPane::fieldOrder() const
{
    return grid_->fieldOrder();
}

QWidget *DataPane::searchPanel(const char *name, int height)
{
    auto *panel = named(new QWidget(this), name);
    panel->setFixedHeight(height);
    return panel;
}

void DataPane::layOut(QWidget *panel)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(grid_, 1);
    layout->addWidget(panel);
}

QGridLayout *DataPane::panelLayout(QWidget *panel)
{
    auto *g = new QGridLayout(panel);
    g->setContentsMargins(PanelSpacing, PanelSpacing, PanelSpacing, PanelSpacing);
    g->setHorizontalSpacing(PanelSpacing);
    g->setVerticalSpacing(PanelSpacing);
    return g;
}

QPushButton *DataPane::settingButton(QWidget *panel, const char *name)
{
    auto *b = named(new QPushButton(QStringLiteral("..."), panel), name);
    b->setFixedWidth(SettingButtonWidth);
    return b;
}

QHBoxLayout *DataPane::commandRow(QPushButton *print, QPushButton *setting, QPushButton *exporter)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(PanelSpacing);
    row->addWidget(print);
    row->addWidget(setting);
    row->addWidget(exporter);
    return row;
}

QString DataPane::langText(const char *key) const
{
    return dm_.GetLangString(QString::fromLatin1(key));
}

void DataPane::runStatement(const QString &statement)
{
    QString error;
    const bool ok = statement_.run(statement, &error);
    showSortMark();
    if (!ok)
        showError(error);
}

void DataPane::sortByColumn(int column)
{
    const QString field = grid_->fieldOf(column);
    if (field.isEmpty())
        return;
    // Off the window thread: a column without an index sorts every row before the first page.
    QString error;
    if (!statement_.sortInBackground(field, &error)) {
        showError(error);
        return;
    }
    grid_->setBusy(true, langText("RSSorting"), langText("RSCancel"));
}

void DataPane::showError(const QString &error)
{
    dm_.ShowMsg(error, MB_ICONSTOP);
}

void DataPane::showSortMark()
{
    // The header shows the order the database was asked for; none after a search or reset.
    QHeaderView *h = grid_->horizontalHeader();
    const QString sort = statement_.sortText();
    const int column =
        sort.isEmpty() ? -1 : statement_.dataset().columnOf(sort.section(u' ', 0, 0));
    h->setSortIndicatorShown(column >= 0);
    if (column >= 0)
        h->setSortIndicator(column, sort.endsWith(QStringLiteral(" ASC")) ? Qt::AscendingOrder
                                                                          : Qt::DescendingOrder);
}

} // namespace vesk
