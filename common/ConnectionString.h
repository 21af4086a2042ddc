// The ADO-style connection string of [Connection] Constr, and the engine it selects.
#pragma once

#include <QMap>
#include <QString>

namespace vesk {

enum class DbEngine
{
    Unknown,
    SQLite,
    PostgreSQL
};

// "Key=Value;Key=Value". Keys match without regard to letter case; values are trimmed.
class ConnectionString
{
public:
    static ConnectionString parse(const QString &text);

    QString value(const QString &key) const { return values_.value(key.trimmed().toLower()); }
    bool has(const QString &key) const { return values_.contains(key.trimmed().toLower()); }
    // Provider=SQLite (or an empty provider with a Data Source) / Provider=PostgreSQL.
    DbEngine engine() const;
    // The SQLite file: Data Source, relative paths taken from `appDir`.
    QString sqliteFile(const QString &appDir) const;

private:
    QMap<QString, QString> values_;
};

} // namespace vesk
