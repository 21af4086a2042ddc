// The printer list's editable dataset: table tPrinter, one row stored at a time after its check.
#pragma once

#include "PrinterListRules.h"

#include <QSqlTableModel>

namespace vesk {

class TdmMain;

// Rows are edited in the model's cache and reach tPrinter only through Post (insert or update)
// and DeleteRow, each in its own write transaction. Headers follow the display labels of the
// data module's aqryPrinter. Window thread only, on the data module's connection.
class TPrinterTable : public QSqlTableModel
{
    Q_OBJECT

public:
    enum class PostResult
    {
        Stored,
        Refused,
        Failed
    };

    explicit TPrinterTable(TdmMain &dm, QObject *parent = nullptr);

    // Closes and opens the table again, dropping unstored edits. False with the database's text.
    bool Reopen(QString *error = nullptr);

    int NameColumn() const { return fieldIndex(QStringLiteral("Name")); }
    int HostNameColumn() const { return fieldIndex(QStringLiteral("HostName")); }
    int IsMonitorColumn() const { return fieldIndex(QStringLiteral("IsMonitor")); }

    TPrinterRow RowAt(int row) const;
    // Whether the row holds edits or is new and not yet stored.
    bool RowPending(int row) const;
    // The pending row, -1 when none (edits are stored row by row, so there is at most one).
    int PendingRow() const;
    // The first row whose values all read as `values` does (as text), -1 when none. A store
    // reads the table again, and a server engine may return the rows in another order.
    int RowOf(const QSqlRecord &values) const;

    // A new row at `row` with IsMonitor 0; Name and HostName stay empty. Returns its row.
    int InsertNew(int row);
    // Runs the check and stores the row. Refused: the check showed its message and the row
    // keeps its values. Failed: the database's text is in `error`, the row keeps its values.
    PostResult Post(int row, QString *error = nullptr);
    // Removes the row from tPrinter at once; a new row that was never stored is just dropped.
    bool DeleteRow(int row, QString *error = nullptr);
    // Drops the row's unstored edits.
    void CancelRow(int row);

    // Reads every row, so the statement finishes: one left open would hold the connection in
    // an old snapshot, unable to see other programs' rows or to write.
    bool select() override;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    bool writeCache(QString *error);

    TdmMain &dm_;
    PrinterListRules rules_;
};

} // namespace vesk
