// The column display settings window.
#include "ShowSettingForm.h"

#include "MainDM.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace vesk {

namespace {

constexpr QSize DesignSize{462, 300};
constexpr QRect GridRect{16, 48, 419, 209};
constexpr QRect OkRect{344, 263, 97, 25};
constexpr int FNameWidth = 128;
constexpr int FWidthWidth = 134;

} // namespace

ShowSettingModel::ShowSettingModel(ShowSettingEditor &editor, QObject *parent)
    : QAbstractTableModel(parent), editor_(editor)
{}

int ShowSettingModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : editor_.rowCount();
}

int ShowSettingModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ShowSettingEditor::ColumnCount;
}

QVariant ShowSettingModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() == ShowSettingEditor::ColIsVisible
                   ? QVariant(Qt::AlignCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const ShowSettingRow &r = editor_.row(index.row());
    switch (index.column()) {
    case ShowSettingEditor::ColFName:
        return r.fname;
    case ShowSettingEditor::ColFWidth:
        return r.width;
    default:
        return r.isVisible;
    }
}

bool ShowSettingModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    if (!editor_.setValue(index.row(), static_cast<ShowSettingEditor::Column>(index.column()),
                          value))
        return false;
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

Qt::ItemFlags ShowSettingModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() != ShowSettingEditor::ColFName)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant ShowSettingModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::TextAlignmentRole)
        return QVariant(Qt::AlignCenter);
    if (role == Qt::DisplayRole && section >= 0 && section < labels_.size())
        return labels_.at(section);
    return {};
}

void ShowSettingModel::setLabels(const QStringList &labels)
{
    labels_ = labels;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ShowSettingEditor::ColumnCount - 1);
}

bool ShowSettingModel::open(QSqlDatabase db, const QString &statement, QString *error)
{
    beginResetModel();
    const bool ok = editor_.open(db, statement, error);
    endResetModel();
    return ok;
}

void ShowSettingModel::rowChanged(int row)
{
    Q_EMIT dataChanged(index(row, 0), index(row, ShowSettingEditor::ColumnCount - 1));
}

TShowSettingFrm::TShowSettingFrm(TdmMain &dm, QWidget *parent) : TLumoBackFrm(parent), dm_(dm)
{
    setObjectName(QStringLiteral("ShowSettingFrm"));
    resize(DesignSize);
    ds = new ShowSettingModel(aqryShowSetting, this);
    dbGrid = new QTableView(this);
    dbGrid->setObjectName(QStringLiteral("dbGrid"));
    dbGrid->setGeometry(GridRect);
    dbGrid->setModel(ds);
    dbGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
    dbGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    dbGrid->verticalHeader()->setDefaultSectionSize(20);
    dbGrid->setColumnWidth(ShowSettingEditor::ColFName, FNameWidth);
    dbGrid->setColumnWidth(ShowSettingEditor::ColFWidth, FWidthWidth);
    dbGrid->horizontalHeader()->setStretchLastSection(true);
    BtnOk = new QPushButton(this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setGeometry(OkRect);

    connect(BtnOk, &QPushButton::clicked, this, &TShowSettingFrm::BtnOkClick);
    connect(dbGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                currentRowChanged(current.row(), previous.row());
            });
}

TShowSettingFrm::~TShowSettingFrm() = default;

bool TShowSettingFrm::open(const QString &statement, QString *error)
{
    const bool ok = ds->open(dm_.acntVesk.database(), statement, error);
    if (ds->rowCount() > 0)
        dbGrid->setCurrentIndex(ds->index(0, ShowSettingEditor::ColFWidth));
    return ok;
}

void TShowSettingFrm::FormShow()
{
    TLumoBackFrm::FormShow();
    const auto lang = [this](const char *key) { return dm_.GetLangString(QLatin1String(key)); };
    lblCaption->setText(lang("RSPrintSetinng"));
    BtnOk->setText(lang("RSOK"));
    ds->setLabels({lang("RSColName"), lang("RSColWidth"), lang("RSIsPrint")});
}

bool TShowSettingFrm::postRow()
{
    const int row = aqryShowSetting.editingRow();
    QString error;
    switch (aqryShowSetting.post(&error)) {
    case ShowSettingEditor::PostResult::Nothing:
    case ShowSettingEditor::PostResult::Stored:
        if (row >= 0)
            ds->rowChanged(row);
        return true;
    case ShowSettingEditor::PostResult::Refused:
        dm_.ShowMsg(dm_.GetLangString(QStringLiteral("RSIsVisible")), MB_ICONINFORMATION);
        return false;
    case ShowSettingEditor::PostResult::Failed:
        dm_.ShowMsg(error, MB_ICONSTOP);
        return false;
    }
    return false;
}

void TShowSettingFrm::currentRowChanged(int current, int previous)
{
    if (returning_ || previous < 0 || current == previous ||
        aqryShowSetting.editingRow() != previous)
        return;
    if (postRow())
        return;
    // The cursor stays on the row being edited.
    returning_ = true;
    dbGrid->setCurrentIndex(ds->index(previous, dbGrid->currentIndex().column()));
    returning_ = false;
}

void TShowSettingFrm::BtnOkClick()
{
    // The window closes with OK in every case; a refused edit is forgotten with it.
    setResult(QDialog::Accepted);
    postRow();
    accept();
}

void TShowSettingFrm::FormClose()
{
    const int row = aqryShowSetting.editingRow();
    aqryShowSetting.cancel();
    if (row >= 0)
        ds->rowChanged(row);
}

} // namespace vesk
