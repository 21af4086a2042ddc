// vesk migrate: the folder's embedded database copied into an empty PostgreSQL database.
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"
#include "ConnectionString.h"
#include "Database.h"
#include "DatabaseMigration.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>

namespace vesk::cli {

namespace {

const QString SourceName = QStringLiteral("vesk-migrate-source");
const QString TargetName = QStringLiteral("vesk-migrate-target");

QString problemText(CommandContext &c, const DatabaseMigration &m)
{
    using P = DatabaseMigration::Problem;
    const char *key = "RSMigrateFailed";
    switch (m.problem()) {
    case P::SourceVersion:
        key = "RSMigrateSourceVersion";
        break;
    case P::TargetNotEmpty:
        key = "RSMigrateNotEmpty";
        break;
    case P::Layout:
        key = "RSMigrateLayout";
        break;
    case P::CountMismatch:
        key = "RSMigrateCounts";
        break;
    case P::Database:
    case P::None:
        break;
    }
    return c.langFilled(QLatin1String(key), m.detail());
}

void printTables(CommandContext &c, const DatabaseMigration &m)
{
    for (const DatabaseMigration::Table &t : m.Tables())
        c.out() << "  " << t.name << '\t' << t.rows << Qt::endl;
}

// Both connections open, the work done, both closed again; the exit status.
int migrate(CommandContext &c, const QString &sourceFile, const QString &to, bool dryRun)
{
    // Read-only: whatever happens, the folder's file is not written (no schema step, no index
    // rebuild, no checkpoint of this connection's).
    QSqlDatabase source = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), SourceName);
    source.setDatabaseName(sourceFile);
    source.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!source.open())
        return c.fail(c.langFilled(QStringLiteral("RSMigrateFailed"), source.lastError().text()));
    const OpenResult opened = openDatabase(TargetName, to, c.dm().AppDir());
    if (!opened.ok)
        return c.fail(c.langFilled(QStringLiteral("RSMigrateFailed"), opened.error));

    DatabaseMigration m(source, QSqlDatabase::database(TargetName, false));
    if (dryRun ? !m.Plan() : !m.Run())
        return c.fail(problemText(c, m));
    c.out() << c.lang(dryRun ? QStringLiteral("RSMigrateDryRun") : QStringLiteral("RSMigrateDone"))
            << Qt::endl;
    printTables(c, m);
    return ExitOk;
}

int migrateCommand(CommandContext &c, ArgList &args)
{
    const std::optional<QString> to = args.takeOption(QStringLiteral("--to"));
    const bool dryRun = args.takeFlag(QStringLiteral("--dry-run"));
    if (!takePositional(c, args, 0, 0))
        return ExitUsage;
    if (!to) {
        c.err() << "vesk: migrate needs --to \"Provider=PostgreSQL;...\"" << Qt::endl;
        return ExitUsage;
    }
    if (!c.openCatalogue())
        return ExitFailed;
    const ConnectionString from = ConnectionString::parse(c.dm().acntVesk.ConnectionString);
    const QString sourceFile = from.sqliteFile(c.dm().AppDir());
    if (from.engine() != DbEngine::SQLite || !QFileInfo(sourceFile).isFile())
        return c.fail(c.lang(QStringLiteral("RSMigrateNotSQLite")));
    if (ConnectionString::parse(*to).engine() != DbEngine::PostgreSQL)
        return c.fail(c.lang(QStringLiteral("RSMigrateNotPostgreSQL")));
    const int code = migrate(c, sourceFile, *to, dryRun);
    for (const QString &name : {SourceName, TargetName}) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
    return code;
}

} // namespace

void registerMigrateCommands(CommandRegistry &registry)
{
    registry.add(
        {QStringLiteral("migrate"),
         {},
         QStringLiteral("--to \"Provider=PostgreSQL;...\" [--dry-run]"),
         QStringLiteral("copy the folder's embedded database into an empty PostgreSQL database"),
         QStringLiteral(
             "Creates the tables in the PostgreSQL database that --to names (a connection "
             "string as in Config.ini; it must hold no table yet) and copies every table of the "
             "folder's SQLite database into it, in one transaction, then checks the row counts; "
             "on any failure nothing stays there. The folder's database is only read. Stop the "
             "agents and consoles of the folder first, and point Config.ini at the server "
             "afterwards. Leave Password out of --to and give it in PGPASSWORD or ~/.pgpass, so "
             "it does not show in the process list.\n"
             "--dry-run: checks both databases and prints what would be copied, writing nothing.\n"
             "Prints each table with its number of rows."),
         migrateCommand,
         false});
}

} // namespace vesk::cli
