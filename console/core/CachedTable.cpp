// CachedTable: reading, matching and the batch write.
#include "CachedTable.h"

#include "Database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vesk {

namespace {

bool Failed(const QSqlQuery &q, QString *error)
{
    if (error)
        *error = q.lastError().text();
    return false;
}

} // namespace

bool CachedTable::Load(QSqlDatabase &db, const QString &table, QString *error)
{
    table_ = table;
    columns_.clear();
    rows_.clear();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(translateStatement(db, QStringLiteral("select * from ") + table)))
        return Failed(q, error);
    const QSqlRecord record = q.record();
    for (int i = 0; i < record.count(); ++i)
        columns_ << record.fieldName(i);
    while (q.next()) {
        Row row;
        for (int i = 0; i < columns_.size(); ++i)
            row.original << q.value(i);
        row.current = row.original;
        rows_.push_back(std::move(row));
    }
    return true;
}

int CachedTable::column(const QString &name) const
{
    for (int i = 0; i < columns_.size(); ++i) {
        if (columns_[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int CachedTable::Find(const QString &columnName, const QString &value) const
{
    const int c = column(columnName);
    if (c < 0)
        return -1;
    for (int r = 0; r < RowCount(); ++r) {
        const QVariant &v = rows_[r].current[c];
        if (!v.isNull() && v.toString().compare(value, Qt::CaseInsensitive) == 0)
            return r;
    }
    return -1;
}

QString CachedTable::Value(int row, const QString &columnName) const
{
    const int c = column(columnName);
    return c < 0 ? QString() : rows_[row].current[c].toString();
}

void CachedTable::SetValue(int row, const QString &columnName, const QString &value)
{
    const int c = column(columnName);
    if (c < 0)
        return;
    rows_[row].current[c] = value;
    rows_[row].changed = true;
}

int CachedTable::Append(const std::vector<std::pair<QString, QString>> &values)
{
    Row row;
    for (int i = 0; i < columns_.size(); ++i)
        row.current << QVariant();
    row.changed = true;
    rows_.push_back(std::move(row));
    for (const auto &[name, value] : values)
        SetValue(RowCount() - 1, name, value);
    return RowCount() - 1;
}

bool CachedTable::Write(QSqlDatabase &db, QString *error) const
{
    for (const Row &row : rows_) {
        if (!row.changed)
            continue;
        QSqlQuery q(db);
        QString statement;
        std::vector<std::pair<QString, QVariant>> binds;
        if (row.original.isEmpty()) {
            QStringList names;
            QStringList marks;
            for (int i = 0; i < columns_.size(); ++i) {
                if (row.current[i].isNull())
                    continue;
                names << columns_[i];
                marks << QStringLiteral(":v%1").arg(i);
                binds.emplace_back(marks.back(), row.current[i]);
            }
            statement = QStringLiteral("insert into ") + table_ + QStringLiteral(" (") +
                        names.join(u',') + QStringLiteral(") values (") + marks.join(u',') + u')';
        } else {
            QStringList sets;
            QStringList where;
            for (int i = 0; i < columns_.size(); ++i) {
                if (row.current[i] != row.original[i]) {
                    sets << columns_[i] + QStringLiteral("=:v%1").arg(i);
                    binds.emplace_back(QStringLiteral(":v%1").arg(i), row.current[i]);
                }
                if (row.original[i].isNull()) {
                    where << columns_[i] + QStringLiteral(" is null");
                } else {
                    where << columns_[i] + QStringLiteral("=:w%1").arg(i);
                    binds.emplace_back(QStringLiteral(":w%1").arg(i), row.original[i]);
                }
            }
            if (sets.isEmpty())
                continue;
            statement = QStringLiteral("update ") + table_ + QStringLiteral(" set ") +
                        sets.join(u',') + QStringLiteral(" where ") + where.join(" and ");
        }
        if (!q.prepare(translateStatement(db, statement)))
            return Failed(q, error);
        for (const auto &[mark, value] : binds)
            q.bindValue(mark, value);
        if (!q.exec())
            return Failed(q, error);
        if (!row.original.isEmpty() && q.numRowsAffected() == 0) {
            if (error)
                *error = RowChangedText.isEmpty() ? table_ : RowChangedText;
            return false;
        }
    }
    return true;
}

} // namespace vesk
