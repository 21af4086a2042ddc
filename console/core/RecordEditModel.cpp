// Editing print records in place: each change is stored when it is made.
#include "RecordEditModel.h"

#include "JobOutcome.h"
#include "PagedQueryModel.h"
#include "RecordRows.h"

#include <QSqlDatabase>

namespace vesk {

RecordEditModel::RecordEditModel(PagedQueryModel *source, QString connectionName, QString table,
                                 QObject *parent)
    : QIdentityProxyModel(parent), source_(source), connectionName_(std::move(connectionName)),
      table_(std::move(table))
{
    setSourceModel(source);
    // A reopened dataset reads the table again; the remembered edits are in it by then.
    connect(source, &QAbstractItemModel::modelReset, this, [this] { edited_.clear(); });
}

QSqlRecord RecordEditModel::record(int row) const
{
    QSqlRecord rec = source_->record(row);
    for (auto it = edited_.cbegin(); it != edited_.cend(); ++it) {
        if (it.key().first == row)
            rec.setValue(it.key().second, it.value());
    }
    return rec;
}

Qt::ItemFlags RecordEditModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QIdentityProxyModel::flags(index);
    if (index.isValid() && !coded(index))
        f |= Qt::ItemIsEditable;
    return f;
}

bool RecordEditModel::coded(const QModelIndex &index) const
{
    const QString field = source_->record().fieldName(index.column());
    return lang_ && (IsCodedPrinterDataField(field) || IsCostPrinterDataField(field));
}

QVariant RecordEditModel::data(const QModelIndex &index, int role) const
{
    if (index.isValid() && (role == Qt::DisplayRole || role == Qt::EditRole)) {
        const auto it = edited_.constFind({index.row(), index.column()});
        if (it != edited_.cend())
            return it.value();
    }
    if (role == Qt::DisplayRole && index.isValid() && coded(index))
        return PrinterDataCellText(source_->record().fieldName(index.column()),
                                   QIdentityProxyModel::data(index, role), lang_, currency_);
    return QIdentityProxyModel::data(index, role);
}

bool RecordEditModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const QSqlRecord before = record(index.row());
    const QString field = before.fieldName(index.column());
    if (before.value(index.column()) == value)
        return true;
    const std::optional<QVariant> checked = printerDataCellValue(field, value);
    if (!checked) {
        Q_EMIT valueRefused(value.toString(), field);
        return false;
    }
    QString error;
    if (!updateRowByValues(QSqlDatabase::database(connectionName_, false), table_, before, field,
                           *checked, &error)) {
        Q_EMIT editRefused(error);
        return false;
    }
    edited_.insert({index.row(), index.column()}, *checked);
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

} // namespace vesk
