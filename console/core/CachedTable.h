// CachedTable: a table's rows read once, changed in memory and written back as one batch.
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace vesk {

// The tables have no keys: a changed row is written back where every column still holds what
// was read. A row changed or deleted meanwhile by another program matches nothing: the write
// fails with RowChangedText rather than lose the change silently. Not thread-safe; one per
// connection.
class CachedTable
{
public:
    // Reads every row of `table` in the order "select *" gives them. False with the database's
    // text.
    bool Load(QSqlDatabase &db, const QString &table, QString *error);

    int RowCount() const { return static_cast<int>(rows_.size()); }
    // The first row whose `column` equals `value` ignoring letter case, -1 when none.
    int Find(const QString &column, const QString &value) const;
    QString Value(int row, const QString &column) const;
    void SetValue(int row, const QString &column, const QString &value);
    // A new row with these columns set and the others empty (null). Returns its row.
    int Append(const std::vector<std::pair<QString, QString>> &values);

    // Writes the changed and new rows. The caller holds the write transaction.
    bool Write(QSqlDatabase &db, QString *error) const;

    // The error of a changed row that no longer matches (a catalogue text).
    QString RowChangedText;

private:
    struct Row
    {
        QVariantList original; // empty for a new row
        QVariantList current;
        bool changed = false;
    };
    int column(const QString &name) const;

    QString table_;
    QStringList columns_;
    std::vector<Row> rows_;
};

} // namespace vesk
