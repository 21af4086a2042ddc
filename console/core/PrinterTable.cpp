// tPrinter for the printer list: cached edits, checked and stored one row at a time.
#include "PrinterTable.h"

#include "Database.h"
#include "Errors.h"
#include "MainDM.h"

#include <QSqlError>
#include <QSqlRecord>

namespace vesk {

TPrinterTable::TPrinterTable(TdmMain &dm, QObject *parent)
    : QSqlTableModel(parent, dm.acntVesk.database()), dm_(dm), rules_(dm)
{
    setEditStrategy(QSqlTableModel::OnManualSubmit);
}

bool TPrinterTable::Reopen(QString *error)
{
    clear();
    QSqlDatabase db = dm_.acntVesk.database();
    setTable(storedTableName(db, QStringLiteral("tPrinter")));
    if (select())
        return true;
    if (error)
        *error = lastError().text();
    return false;
}

TPrinterRow TPrinterTable::RowAt(int row) const
{
    TPrinterRow r;
    r.Name = QSqlTableModel::data(index(row, NameColumn()), Qt::EditRole).toString();
    r.HostName = QSqlTableModel::data(index(row, HostNameColumn()), Qt::EditRole).toString();
    r.IsMonitor = QSqlTableModel::data(index(row, IsMonitorColumn()), Qt::EditRole);
    return r;
}

bool TPrinterTable::RowPending(int row) const
{
    if (row < 0 || row >= rowCount())
        return false;
    // A changed row is dirty only in the columns that changed.
    for (int column = 0; column < columnCount(); ++column) {
        if (isDirty(index(row, column)))
            return true;
    }
    return false;
}

int TPrinterTable::PendingRow() const
{
    for (int row = 0; row < rowCount(); ++row) {
        if (RowPending(row))
            return row;
    }
    return -1;
}

int TPrinterTable::RowOf(const QSqlRecord &values) const
{
    for (int row = 0; row < rowCount(); ++row) {
        const QSqlRecord candidate = record(row);
        bool same = candidate.count() == values.count();
        for (int i = 0; same && i < values.count(); ++i)
            same = candidate.value(i).toString() == values.value(i).toString();
        if (same)
            return row;
    }
    return -1;
}

int TPrinterTable::InsertNew(int row)
{
    row = qBound(0, row, rowCount());
    if (!insertRow(row))
        return -1;
    setData(index(row, IsMonitorColumn()), 0);
    return row;
}

TPrinterTable::PostResult TPrinterTable::Post(int row, QString *error)
{
    if (row < 0 || row >= rowCount())
        return PostResult::Refused;
    try {
        if (!rules_.aqryPrinterBeforePost(RowAt(row)))
            return PostResult::Refused;
    } catch (const VeskError &e) {
        if (error)
            *error = e.message();
        return PostResult::Failed;
    }
    // An unchanged row passes the check and has nothing to write.
    if (!RowPending(row))
        return PostResult::Stored;
    return writeCache(error) ? PostResult::Stored : PostResult::Failed;
}

bool TPrinterTable::DeleteRow(int row, QString *error)
{
    if (row < 0 || row >= rowCount())
        return true;
    // Unstored edits are not what the administrator asked to delete; a new row that was never
    // stored goes with them.
    const int before = rowCount();
    revertRow(row);
    if (rowCount() < before)
        return true;
    if (!removeRow(row)) {
        if (error)
            *error = lastError().text();
        return false;
    }
    return writeCache(error);
}

void TPrinterTable::CancelRow(int row)
{
    if (row >= 0 && row < rowCount())
        revertRow(row);
}

bool TPrinterTable::writeCache(QString *error)
{
    QSqlDatabase db = dm_.acntVesk.database();
    QString text;
    if (!beginWrite(db, &text)) {
        if (error)
            *error = text;
        return false;
    }
    // Statements of the table model bind every value.
    if (!submitAll()) {
        text = lastError().text();
        rollbackWrite(db);
        if (error)
            *error = text;
        return false;
    }
    if (!commitWrite(db, &text)) {
        rollbackWrite(db);
        select();
        if (error)
            *error = text;
        return false;
    }
    return true;
}

bool TPrinterTable::select()
{
    if (!QSqlTableModel::select())
        return false;
    while (canFetchMore())
        fetchMore();
    return !lastError().isValid();
}

QVariant TPrinterTable::data(const QModelIndex &index, int role) const
{
    if (role == Qt::TextAlignmentRole && index.column() == IsMonitorColumn())
        return QVariant(Qt::AlignCenter);
    return QSqlTableModel::data(index, role);
}

QVariant TPrinterTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && dm_.aqryPrinter) {
        const QString field = record().fieldName(section);
        if (!field.isEmpty())
            return dm_.aqryPrinter->displayLabel(field);
    }
    return QSqlTableModel::headerData(section, orientation, role);
}

} // namespace vesk
