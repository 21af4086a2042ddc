// Parsing of the connection string; the one place where an engine is chosen.
#include "ConnectionString.h"

#include <QDir>

namespace vesk {

ConnectionString ConnectionString::parse(const QString &text)
{
    ConnectionString cs;
    const auto parts = text.split(u';', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq <= 0)
            continue;
        cs.values_.insert(part.left(eq).trimmed().toLower(), part.mid(eq + 1).trimmed());
    }
    return cs;
}

DbEngine ConnectionString::engine() const
{
    const QString provider = value(QStringLiteral("Provider")).toLower();
    if (provider == u"sqlite" || provider == u"sqlite3" || provider == u"qsqlite")
        return DbEngine::SQLite;
    if (provider == u"postgresql" || provider == u"postgres" || provider == u"qpsql" ||
        provider == u"npgsql")
        return DbEngine::PostgreSQL;
    if (provider.isEmpty() && has(QStringLiteral("Data Source")))
        return DbEngine::SQLite;
    return DbEngine::Unknown;
}

QString ConnectionString::sqliteFile(const QString &appDir) const
{
    const QString source = value(QStringLiteral("Data Source"));
    if (source.isEmpty())
        return {};
    return QDir::cleanPath(QDir(appDir).absoluteFilePath(source));
}

} // namespace vesk
