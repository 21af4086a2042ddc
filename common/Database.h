// Opening the shared database from a connection string; one named connection per thread.
#pragma once

#include "Catalogue.h"
#include "ConnectionString.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

namespace vesk {

struct OpenResult
{
    bool ok = false;
    QString error;       // the database's own text, or ours for a bad connection string
    int newerSchema = 0; // refused: the version of a database newer than this program
    int olderSchema = 0; // refused: the version of an older one this login may not upgrade
};

// Opens (or re-opens) the named Qt SQL connection on the calling thread. SQLite files get WAL,
// synchronous=NORMAL, a busy timeout and the CDate function, so the agent and the console
// share one file. A missing SQLite file is an error: connecting never creates a database.
// Every program opens the database here, so here an older one is brought up to date
// (bringSchemaUpToDate) and a newer one refused; a database without tables is left alone for
// vesk-initdb.
OpenResult openDatabase(const QString &connectionName, const QString &constr,
                        const QString &appDir);

// The text to show for a failed open: "RSDatabaseNewer" with the version for a newer database,
// "RSDatabaseOlder" for an older one that the login may not upgrade (the English text where the
// catalogue has none), else the open's own text.
QString openFailureText(const OpenResult &result, const LangLookup &lang);

// A connection of the calling thread's own, configured like `source` (which may live on
// another thread). Remove it with QSqlDatabase::removeDatabase before the thread ends.
OpenResult cloneDatabaseForThread(const QString &source, const QString &newName);

// Closes and opens the named connection again with its settings, on the calling thread: after a
// server restart ended its session every statement fails until then. Queries on it are dead.
OpenResult reopenDatabase(const QString &connectionName);

// Whether the connection still answers a trivial statement.
bool connectionAlive(const QSqlDatabase &db);

// The one way a statement is run where its failure is reported as text: false with the
// database's own text in `error` (when given), followed by " [statement]" for Named.
enum class StatementInError
{
    Plain,
    Named
};
bool execStatement(QSqlQuery &q, const QString &statement, QString *error,
                   StatementInError text = StatementInError::Plain);
// The same for preparing a statement, and for running the prepared one with its bound values.
bool prepareStatement(QSqlQuery &q, const QString &statement, QString *error);
bool execPrepared(QSqlQuery &q, QString *error);
// Prepares `statement`, binds `values` in order and runs it.
bool runStatement(QSqlQuery &q, const QString &statement, const QVariantList &values,
                  QString *error);

// Begins a write transaction that takes the write lock at once (BEGIN IMMEDIATE on SQLite), so
// a concurrent writer waits for the busy timeout instead of failing part-way.
bool beginWrite(QSqlDatabase &db, QString *error = nullptr);
bool commitWrite(QSqlDatabase &db, QString *error = nullptr);
// Inside a write transaction: keeps other writers of `tables` out until it ends, so rows read
// there are still as read when they are written back. SQLite's BEGIN IMMEDIATE does so for the
// whole file already; a server engine locks the tables (reading them stays possible).
bool lockForReadAndWrite(QSqlDatabase &db, const QStringList &tables, QString *error = nullptr);
void rollbackWrite(QSqlDatabase &db);

DbEngine engineOf(const QSqlDatabase &db);

// The engine's hidden row address, which every table has without declaring a key: rowid on
// SQLite, ctid on PostgreSQL. Stable while a statement or a short series of them runs.
QString rowKey(const QSqlDatabase &db);

// Statements are written in one dialect; a server engine gets them through this step.
QString translateStatement(const QSqlDatabase &db, const QString &statement);

// The rest of the differences between the engines, next to the translation step.
// A table's name as the engine keeps it, for interfaces that quote names (QSqlTableModel): a
// server engine keeps unquoted names in lower case.
QString storedTableName(const QSqlDatabase &db, const QString &table);
// A name folded as the database's "=" on text columns folds it: SQLite's NOCASE folds ASCII
// letters only, PostgreSQL's citext every letter.
QString foldAsEquals(const QSqlDatabase &db, const QString &name);
// "column equals ?" comparing text exactly, not with the column's case-blind rule, and a null
// matching a null; the value to bind for it.
QString exactMatch(const QSqlDatabase &db, const QString &column);
QVariant exactMatchValue(const QSqlDatabase &db, const QVariant &value);
// Overwrites the space that deleted or shortened values leave, where the engine can (SQLite
// secure_delete); true where there is nothing to do.
bool zeroFreedSpace(QSqlDatabase &db, QString *error);
// Copies the committed pages home and empties the write-ahead log, where the engine has one.
void flushWriteAheadLog(QSqlDatabase &db);

} // namespace vesk
