// Column lists and types of the record tables, per engine.
#include "RecordColumns.h"

namespace vesk {

QStringList fieldNames(RecordColumns columns)
{
    QStringList names;
    for (const RecordColumn &c : columns)
        names << QLatin1String(c.field);
    return names;
}

QString textColumnType(DbEngine engine, int length)
{
    if (engine == DbEngine::PostgreSQL)
        return QStringLiteral("citext");
    return length > 0 ? QStringLiteral("varchar(%1) COLLATE NOCASE").arg(length)
                      : QStringLiteral("text COLLATE NOCASE");
}

QString columnType(const RecordColumn &column, DbEngine engine)
{
    switch (column.type) {
    case ColumnType::Text:
        return textColumnType(engine, column.length);
    case ColumnType::Integer:
        return QStringLiteral("integer");
    case ColumnType::Money:
        return QStringLiteral("bigint");
    case ColumnType::DateTime:
        // PostgreSQL's own timestamp would print differently; the text keeps one form everywhere.
        return engine == DbEngine::PostgreSQL ? QStringLiteral("varchar(19)")
                                              : QStringLiteral("datetime");
    }
    return {};
}

QString columnDefinitions(RecordColumns columns, DbEngine engine)
{
    QStringList parts;
    for (const RecordColumn &c : columns)
        parts << QLatin1String(c.field) + u' ' + columnType(c, engine);
    return parts.join(QStringLiteral(", "));
}

} // namespace vesk
