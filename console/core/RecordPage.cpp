#include "RecordPage.h"

#include "Database.h"
#include "Schema.h"

#include <QSqlQuery>
#include <QStringList>

#include <algorithm>

namespace vesk {

namespace {

// The expression the pages sort and compare by: NULL would fall out of the key comparison, so
// nullable columns compare as an empty text or -1. PrintTime is always written.
QString sortExpression(const RecordColumn &c)
{
    const QString f = QLatin1String(c.field);
    if (c.type == ColumnType::DateTime)
        return f;
    if (isNumberColumn(c.type))
        return QStringLiteral("coalesce(%1, -1)").arg(f);
    return QStringLiteral("coalesce(%1, '')").arg(f);
}

} // namespace

std::optional<PrinterDataColumn> PrinterDataColumnNamed(const QString &field)
{
    for (int i = 0; i < PrinterDataColumnCount; ++i) {
        if (field.compare(QLatin1String(PrinterDataColumnTable[i].field), Qt::CaseInsensitive) == 0)
            return PrinterDataColumn(i);
    }
    return std::nullopt;
}

bool ReadRecordPage(const QSqlDatabase &db, const RecordPageQuery &query, RecordPage &page,
                    QString *error)
{
    page = RecordPage();
    const bool backward = query.before.has_value();
    const std::optional<qint64> anchor = backward ? query.before : query.after;
    const QString key = pagingKey(db, QStringLiteral("tPrinterData"));
    const QString order = query.sortSql.isEmpty()
                              ? sortExpression(PrinterDataColumnTable[query.sort])
                              : QStringLiteral("coalesce(%1, '')").arg(query.sortSql);
    // Backward, the rows before the anchor are read nearest first and shown the other way round.
    const bool readAsc = query.ascending != backward;

    QSqlQuery q(db);
    q.setForwardOnly(true);
    QString keyset;
    QVariantList values;
    if (anchor) {
        // The anchor row is found only inside the same filter.
        if (!runStatement(
                q,
                translateStatement(db, QStringLiteral("select %1 from tPrinterData%2 AND %3 = ?")
                                           .arg(order, query.filter, key)),
                {*anchor}, error))
            return false;
        if (!q.next()) {
            page.anchorMissing = true;
            return true;
        }
        const QVariant value = q.value(0);
        q.finish();
        keyset = QStringLiteral(" AND (%1 %2 ? OR (%1 = ? AND %3 %2 ?))")
                     .arg(order, readAsc ? QStringLiteral(">") : QStringLiteral("<"), key);
        values = {value, value, *anchor};
    }
    const QString statement =
        QStringLiteral("select %1, %2 from tPrinterData%3%4 order by %5 %6, %1 %6 limit %7")
            .arg(key, fieldNames(PrinterDataColumns).join(QStringLiteral(", ")), query.filter,
                 keyset, order, readAsc ? QStringLiteral("asc") : QStringLiteral("desc"))
            .arg(query.rows + 1);
    if (!runStatement(q, translateStatement(db, statement), values, error))
        return false;
    int count = 0;
    while (q.next()) {
        if (++count > query.rows)
            break;
        RecordPage::Row row;
        row.key = q.value(0).toLongLong();
        for (int i = 0; i < PrinterDataColumnCount; ++i)
            row.values[size_t(i)] = q.value(i + 1);
        page.rows.push_back(std::move(row));
    }
    if (backward)
        std::reverse(page.rows.begin(), page.rows.end());
    const bool beyond = count > query.rows;
    // Backward, the anchor itself follows this page; forward, the anchor precedes it.
    page.later = backward || beyond;
    page.earlier = backward ? beyond : anchor.has_value();
    return true;
}

} // namespace vesk
