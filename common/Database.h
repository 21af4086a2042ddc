// Opening the shared database from a connection string; one named connection per thread.
#pragma once

#include "Catalogue.h"
#include "ConnectionString.h"

#include <QSqlDatabase>
#include <QString>

namespace vesk {

struct OpenResult
{
    bool ok = false;
    QString error;       // the database's own text, or ours for a bad connection string
    int newerSchema = 0; // refused: the version of a database newer than this program
};

// Opens (or re-opens) the named Qt SQL connection on the calling thread. SQLite files get WAL,
// synchronous=NORMAL, a busy timeout and the CDate function, so the agent and the console
// share one file. A missing SQLite file is an error: connecting never creates a database.
// Every program opens the database here, so here an older one is brought up to date
// (bringSchemaUpToDate) and a newer one refused; a database without tables is left alone for
// vesk-initdb.
OpenResult openDatabase(const QString &connectionName, const QString &constr,
                        const QString &appDir);

// The text to show for a failed open: "RSDatabaseNewer" with the version for a newer database
// (the English text where the catalogue has none), else the open's own text.
QString openFailureText(const OpenResult &result, const LangLookup &lang);

// A connection of the calling thread's own, configured like `source` (which may live on
// another thread). Remove it with QSqlDatabase::removeDatabase before the thread ends.
OpenResult cloneDatabaseForThread(const QString &source, const QString &newName);

// Closes and opens the named connection again with its settings, on the calling thread: after a
// server restart ended its session every statement fails until then. Queries on it are dead.
OpenResult reopenDatabase(const QString &connectionName);

// Whether the connection still answers a trivial statement.
bool connectionAlive(const QSqlDatabase &db);

// Begins a write transaction that takes the write lock at once (BEGIN IMMEDIATE on SQLite), so
// a concurrent writer waits for the busy timeout instead of failing part-way.
bool beginWrite(QSqlDatabase &db, QString *error = nullptr);
bool commitWrite(QSqlDatabase &db, QString *error = nullptr);
void rollbackWrite(QSqlDatabase &db);

DbEngine engineOf(const QSqlDatabase &db);

// The engine's hidden row address, which every table has without declaring a key: rowid on
// SQLite, ctid on PostgreSQL. Stable while a statement or a short series of them runs.
QString rowKey(const QSqlDatabase &db);

// Statements are written in one dialect; a server engine gets them through this step.
QString translateStatement(const QSqlDatabase &db, const QString &statement);

} // namespace vesk
