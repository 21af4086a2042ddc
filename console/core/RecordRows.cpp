// Deleting and updating a keyless row through its values.
#include "RecordRows.h"

#include "CDate.h"
#include "Database.h"
#include "JobOutcome.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QStringList>

namespace vesk {

namespace {

// "<rowid> in (select <rowid> from table where a IS ? and ... limit 1)", with the bound values
// appended to `binds`. Text compares exactly, not with the columns' case-blind collation.
QString oneRowCondition(const QSqlDatabase &db, const QString &table, const QSqlRecord &row,
                        QVariantList &binds)
{
    const QString id = rowKey(db);
    QStringList parts;
    for (int i = 0; i < row.count(); ++i) {
        parts << exactMatch(db, row.fieldName(i));
        binds << exactMatchValue(db, row.value(i));
    }
    return id + QStringLiteral(" in (select ") + id + QStringLiteral(" from ") + table +
           QStringLiteral(" where ") + parts.join(QStringLiteral(" and ")) +
           QStringLiteral(" limit 1)");
}

bool execOne(QSqlDatabase &db, const QString &statement, const QVariantList &binds, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, statement, binds, error))
        return false;
    if (q.numRowsAffected() != 1) {
        if (error)
            *error = QStringLiteral("The row is no longer in the table.");
        return false;
    }
    return true;
}

} // namespace

bool deleteRowByValues(QSqlDatabase db, const QString &table, const QSqlRecord &row, QString *error)
{
    QVariantList binds;
    const QString where = oneRowCondition(db, table, row, binds);
    return execOne(db, QStringLiteral("delete from ") + table + QStringLiteral(" where ") + where,
                   binds, error);
}

bool updateRowByValues(QSqlDatabase db, const QString &table, const QSqlRecord &row,
                       const QString &field, const QVariant &value, QString *error)
{
    QVariantList binds{value};
    const QString where = oneRowCondition(db, table, row, binds);
    return execOne(db,
                   QStringLiteral("update ") + table + QStringLiteral(" set ") + field +
                       QStringLiteral("=? where ") + where,
                   binds, error);
}

std::optional<QVariant> printerDataCellValue(const QString &field, const QVariant &value)
{
    const QString text = value.toString().trimmed();
    if (field.compare(QStringLiteral("TotalPageCount"), Qt::CaseInsensitive) == 0 ||
        field.compare(QStringLiteral("PrintedDocumentSize"), Qt::CaseInsensitive) == 0 ||
        field.compare(QLatin1String(PagesPrintedField), Qt::CaseInsensitive) == 0) {
        if (text.isEmpty())
            return QVariant();
        bool ok = false;
        const int n = text.toInt(&ok);
        return ok ? std::optional<QVariant>(n) : std::nullopt;
    }
    if (field.compare(QStringLiteral("PrintTime"), Qt::CaseInsensitive) == 0) {
        // Stored in the one form that sorts and compares chronologically.
        const std::optional<QString> stamp = cdateText(text);
        return stamp ? std::optional<QVariant>(*stamp) : std::nullopt;
    }
    return QVariant(value.toString());
}

QString recordDetails(const QStringList &labels, const QStringList &values)
{
    QString text;
    for (int i = 0; i < labels.size() && i < values.size(); ++i)
        text += labels[i] + u':' + values[i] + QStringLiteral("\r\n");
    return text;
}

} // namespace vesk
