// Creating a new database for an application folder from its Config.ini: what vesk-initdb does.
#pragma once

#include <QString>
#include <QStringList>

namespace vesk {

struct CreateRequest
{
    enum Mode
    {
        New,       // refuse when the database exists
        Force,     // replace an existing database
        IfMissing, // an existing database is a success (its roles are brought up to date)
        RolesOnly, // PostgreSQL: only the login roles, on an existing database
    };
    QString appDir; // holds Config.ini
    Mode mode = New;
    // A login role's password: the first line of the file; empty: the environment's
    // VESK_AGENT_PASSWORD / VESK_CONSOLE_PASSWORD / VESK_WEB_PASSWORD, else none.
    QString agentPasswordFile;
    QString consolePasswordFile;
    QString webPasswordFile;
};

struct CreateResult
{
    // vesk-initdb's exit statuses.
    enum Status
    {
        Done = 0,
        Exists = 2,
        BadConfig = 3,
        CannotWrite = 4,
    };
    Status status = Done;
    QString error;    // why, when not Done
    QStringList done; // what was made or changed, a line each
};

// Reads the folder's Config.ini and its language file (the default department and column titles
// come from it), then creates the SQLite file (under a temporary name, renamed into place, so a
// failure never leaves a half-made database where the programs would open it) or the tables on
// the PostgreSQL server with the login roles vesk_agent, vesk_console and vesk_web. A password is
// never part of a text it returns.
CreateResult CreateDatabase(const CreateRequest &request);

} // namespace vesk
