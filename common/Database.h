// Opening the shared database from a connection string; one named connection per thread.
#pragma once

#include "ConnectionString.h"

#include <QSqlDatabase>
#include <QString>

namespace vesk {

struct OpenResult
{
    bool ok = false;
    QString error; // the database's own text, or ours for a bad connection string
};

// Opens (or re-opens) the named Qt SQL connection on the calling thread. SQLite files get WAL,
// synchronous=NORMAL, a busy timeout and the CDate function, so the agent and the console
// share one file. A missing SQLite file is an error: connecting never creates a database.
OpenResult openDatabase(const QString &connectionName, const QString &constr,
                        const QString &appDir);

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

// Statements are written in one dialect; a server engine gets them through this step.
QString translateStatement(const QSqlDatabase &db, const QString &statement);

} // namespace vesk
