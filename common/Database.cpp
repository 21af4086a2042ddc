// Connection set-up per engine, kept in one place.
#include "Database.h"

#include "CDate.h"
#include "MainDM.h"
#include "Schema.h"
#include "SqlText.h"
#include "UnicodeNoCase.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

namespace vesk {

namespace {

constexpr int BusyTimeoutMs = 10000;

sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    const QVariant v = db.driver()->handle();
    if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3 *const *>(v.constData());
    return nullptr;
}

OpenResult configureSqlite(QSqlDatabase &db)
{
    sqlite3 *h = sqliteHandle(db);
    if (!h || !registerCDate(h))
        return {false, QStringLiteral("CDate could not be registered on the SQLite connection")};
    for (const char *pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL"}) {
        QSqlQuery q(db);
        if (!q.exec(QString::fromLatin1(pragma)))
            return {false, q.lastError().text()};
    }
    if (!registerUnicodeNoCase(h))
        return {false, QStringLiteral("NOCASE could not be registered on the SQLite connection")};
    return {true, {}};
}

OpenResult finishOpen(QSqlDatabase &db, DbEngine engine)
{
    if (!db.open())
        return {false, db.lastError().text()};
    if (engine == DbEngine::SQLite) {
        OpenResult r = configureSqlite(db);
        if (!r.ok)
            db.close();
        return r;
    }
    return {true, {}};
}

// The schema steps on a connection just opened; a database that cannot be brought up to date is
// closed again.
OpenResult upToDate(QSqlDatabase &db, OpenResult opened)
{
    if (!opened.ok)
        return opened;
    const SchemaCheck check = bringSchemaUpToDate(db);
    switch (check.outcome) {
    case SchemaCheck::Outcome::Current:
    case SchemaCheck::Outcome::Upgraded:
    case SchemaCheck::Outcome::NoTables:
        return opened;
    case SchemaCheck::Outcome::Newer:
        db.close();
        return {false,
                QStringLiteral("The database has version %1; this program knows up to %2.")
                    .arg(check.stored)
                    .arg(SchemaVersion),
                check.stored};
    case SchemaCheck::Outcome::Failed:
        break;
    }
    db.close();
    if (check.lacksRights)
        return {false,
                QStringLiteral("The database has version %1, older than this program's %2, and "
                               "this login may not bring it up to date: run vesk-initdb --roles "
                               "with the database owner's Config.ini.")
                    .arg(check.stored)
                    .arg(SchemaVersion),
                0, check.stored};
    return {false, check.error, 0};
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// Whether the statement text so far ends with the word "like" (and blanks): the quoted value
// that follows is a pattern.
bool endsWithLike(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    if (end < 4 || text.mid(end - 4, 4).compare(QStringLiteral("like"), Qt::CaseInsensitive) != 0)
        return false;
    if (end == 4)
        return true;
    const QChar before = text.at(end - 5);
    return !isWordChar(before);
}

} // namespace

OpenResult openDatabase(const QString &connectionName, const QString &constr, const QString &appDir)
{
    const ConnectionString cs = ConnectionString::parse(constr);
    const DbEngine engine = cs.engine();
    if (QSqlDatabase::contains(connectionName)) {
        QSqlDatabase::database(connectionName, false).close();
        QSqlDatabase::removeDatabase(connectionName);
    }
    switch (engine) {
    case DbEngine::SQLite: {
        const QString file = cs.sqliteFile(appDir);
        if (file.isEmpty())
            return {false, QStringLiteral("The connection string names no Data Source.")};
        if (!QFileInfo(file).isFile())
            return {false, QStringLiteral("Could not find file '%1'.").arg(file)};
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
        return upToDate(db, finishOpen(db, engine));
    }
    case DbEngine::PostgreSQL: {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
        db.setHostName(cs.value(QStringLiteral("Host")));
        if (cs.has(QStringLiteral("Port")))
            db.setPort(cs.value(QStringLiteral("Port")).toInt());
        db.setDatabaseName(cs.value(QStringLiteral("Database")));
        db.setUserName(cs.value(QStringLiteral("User ID")));
        db.setPassword(cs.value(QStringLiteral("Password")));
        db.setConnectOptions(QStringLiteral("options=-cclient_min_messages=warning"));
        return upToDate(db, finishOpen(db, engine));
    }
    case DbEngine::Unknown:
        break;
    }
    if (constr.trimmed().isEmpty())
        return {false, QStringLiteral("The connection string is empty.")};
    return {false, QStringLiteral("Provider cannot be found. It may not be properly installed.")};
}

QString openFailureText(const OpenResult &result, const LangLookup &lang)
{
    if (result.newerSchema > 0 && lang) {
        const QString text = lang(QStringLiteral("RSDatabaseNewer"));
        if (!text.isEmpty())
            return TdmMain::FillMsg(text, QString::number(result.newerSchema));
    }
    if (result.olderSchema > 0 && lang) {
        const QString text = lang(QStringLiteral("RSDatabaseOlder"));
        if (!text.isEmpty())
            return TdmMain::FillMsg(text, QString::number(result.olderSchema));
    }
    return result.error;
}

OpenResult cloneDatabaseForThread(const QString &source, const QString &newName)
{
    // The source belongs to another thread: only the clone may be asked for its driver.
    QSqlDatabase db = QSqlDatabase::cloneDatabase(source, newName);
    return finishOpen(db, engineOf(db));
}

OpenResult reopenDatabase(const QString &connectionName)
{
    QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    if (!db.isValid())
        return {false, QStringLiteral("The database is not connected.")};
    db.close();
    return finishOpen(db, engineOf(db));
}

bool connectionAlive(const QSqlDatabase &db)
{
    if (!db.isOpen())
        return false;
    QSqlQuery q(db);
    return q.exec(QStringLiteral("select 1"));
}

DbEngine engineOf(const QSqlDatabase &db)
{
    if (db.driverName() == u"QSQLITE")
        return DbEngine::SQLite;
    if (db.driverName() == u"QPSQL")
        return DbEngine::PostgreSQL;
    return DbEngine::Unknown;
}

QString rowKey(const QSqlDatabase &db)
{
    return engineOf(db) == DbEngine::PostgreSQL ? QStringLiteral("ctid") : QStringLiteral("rowid");
}

bool execStatement(QSqlQuery &q, const QString &statement, QString *error, StatementInError text)
{
    if (q.exec(statement))
        return true;
    if (error) {
        *error = q.lastError().text();
        if (text == StatementInError::Named)
            *error += QStringLiteral(" [") + statement + u']';
    }
    return false;
}

bool prepareStatement(QSqlQuery &q, const QString &statement, QString *error)
{
    if (q.prepare(statement))
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}

bool execPrepared(QSqlQuery &q, QString *error)
{
    if (q.exec())
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}

bool runStatement(QSqlQuery &q, const QString &statement, const QVariantList &values,
                  QString *error)
{
    if (!prepareStatement(q, statement, error))
        return false;
    for (const QVariant &v : values)
        q.addBindValue(v);
    return execPrepared(q, error);
}

bool beginWrite(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    const bool ok = engineOf(db) == DbEngine::SQLite ? q.exec(QStringLiteral("BEGIN IMMEDIATE"))
                                                     : db.transaction();
    if (!ok && error)
        *error = engineOf(db) == DbEngine::SQLite ? q.lastError().text() : db.lastError().text();
    return ok;
}

bool lockForReadAndWrite(QSqlDatabase &db, const QStringList &tables, QString *error)
{
    if (engineOf(db) == DbEngine::SQLite)
        return true;
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("lock table ") + tables.join(QStringLiteral(", ")) +
               QStringLiteral(" in share row exclusive mode")))
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}

bool commitWrite(QSqlDatabase &db, QString *error)
{
    if (engineOf(db) == DbEngine::SQLite) {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("COMMIT")))
            return true;
        if (error)
            *error = q.lastError().text();
        return false;
    }
    if (db.commit())
        return true;
    if (error)
        *error = db.lastError().text();
    return false;
}

void rollbackWrite(QSqlDatabase &db)
{
    if (engineOf(db) == DbEngine::SQLite)
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    else
        db.rollback();
}

QString storedTableName(const QSqlDatabase &db, const QString &table)
{
    return engineOf(db) == DbEngine::SQLite ? table : table.toLower();
}

QString foldAsEquals(const QSqlDatabase &db, const QString &name)
{
    if (engineOf(db) == DbEngine::PostgreSQL)
        return name.toLower();
    QString out = name;
    for (QChar &c : out) {
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return out;
}

QString exactMatch(const QSqlDatabase &db, const QString &column)
{
    if (engineOf(db) == DbEngine::PostgreSQL)
        return column + QStringLiteral("::text IS NOT DISTINCT FROM ?");
    return column + QStringLiteral(" IS ? COLLATE BINARY");
}

QVariant exactMatchValue(const QSqlDatabase &db, const QVariant &value)
{
    // Compared as text on PostgreSQL, whatever the column's type.
    return engineOf(db) == DbEngine::PostgreSQL && !value.isNull() ? QVariant(value.toString())
                                                                   : value;
}

bool zeroFreedSpace(QSqlDatabase &db, QString *error)
{
    if (engineOf(db) != DbEngine::SQLite)
        return true;
    QSqlQuery q(db);
    return execStatement(q, QStringLiteral("PRAGMA secure_delete=ON"), error);
}

void flushWriteAheadLog(QSqlDatabase &db)
{
    if (engineOf(db) == DbEngine::SQLite)
        QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
}

QString translateStatement(const QSqlDatabase &db, const QString &statement)
{
    // Both engines: CDate("date") -> CDate('date'), since a double-quoted text is an identifier
    // in standard SQL and SQLite reads it as a string only where it was built to allow that.
    // PostgreSQL also: [alias] -> "alias", and a like pattern's backslashes doubled (PostgreSQL
    // reads a backslash there as an escape, SQLite as the character itself: "\\server\name").
    // Only the statement's own text is rewritten: a quoted value stays exactly as the quoting
    // helper wrote it, whatever it holds, or the value would end early and its rest run as SQL.
    const bool pg = engineOf(db) == DbEngine::PostgreSQL;
    static const QRegularExpression cdate(QStringLiteral(R"re(CDate\s*\(\s*"([^"]*)"\s*\))re"),
                                          QRegularExpression::CaseInsensitiveOption);
    QString out;
    out.reserve(statement.size());
    bool inQuote = false;   // inside '...'
    bool inPattern = false; // inside the '...' after the word like
    bool inName = false;    // inside "..." (an identifier)
    for (qsizetype i = 0; i < statement.size(); ++i) {
        const QChar c = statement.at(i);
        if (inQuote) {
            if (c == u'\'') {
                if (i + 1 < statement.size() && statement.at(i + 1) == u'\'') {
                    out += QStringLiteral("''"); // a quote inside the value
                    ++i;
                    continue;
                }
                inQuote = inPattern = false;
                out += c;
            } else if (pg && inPattern && c == u'\\') {
                out += QStringLiteral("\\\\");
            } else {
                out += c;
            }
            continue;
        }
        if (inName) {
            inName = c != u'"';
            out += c;
            continue;
        }
        if ((c == u'C' || c == u'c') && (i == 0 || !isWordChar(statement.at(i - 1)))) {
            const QRegularExpressionMatch m =
                cdate.match(statement, i, QRegularExpression::NormalMatch,
                            QRegularExpression::AnchorAtOffsetMatchOption);
            if (m.hasMatch()) {
                out += QStringLiteral("CDate(") + QuotedStr(m.captured(1)) + u')';
                i = m.capturedEnd() - 1;
                continue;
            }
        }
        if (c == u'\'') {
            inQuote = true;
            inPattern = endsWithLike(out);
            out += c;
        } else if (c == u'"') {
            inName = true;
            out += c;
        } else if (pg && (c == u'[' || c == u']')) {
            out += u'"';
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace vesk
