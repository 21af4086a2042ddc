// vesk-initdb: creates a new shared database for an application folder from its Config.ini.
#include "CodePage.h"
#include "ConnectionString.h"
#include "Database.h"
#include "Errors.h"
#include "IniFile.h"
#include "Schema.h"
#include "ServerRoles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

#include <optional>

using namespace vesk;

namespace {

enum ExitCode
{
    Ok = 0,
    Usage = 1,
    Exists = 2,
    BadConfig = 3,
    CannotWrite = 4
};

int fail(int code, const QString &message)
{
    QTextStream(stderr) << "vesk-initdb: " << message << Qt::endl;
    return code;
}

const char *const UsageText =
    "usage: vesk-initdb [--force | --if-missing | --roles] [--agent-password-file FILE]\n"
    "                   [--console-password-file FILE] [--web-password-file FILE] [APPDIR]\n"
    "Creates the database that APPDIR/Config.ini names ([Connection] Constr), with the\n"
    "default department and column titles of the language file it names. APPDIR defaults\n"
    "to the current folder. An existing database is kept unless --force is given;\n"
    "--if-missing makes an existing one a success.\n"
    "On PostgreSQL it also creates or updates the login roles vesk_agent, vesk_console and\n"
    "vesk_web and their rights; --roles does only that, on an existing database. A role's\n"
    "password is the first line of the --agent-password-file / --console-password-file /\n"
    "--web-password-file FILE, or the environment's VESK_AGENT_PASSWORD /\n"
    "VESK_CONSOLE_PASSWORD / VESK_WEB_PASSWORD; without either a new role has none and an\n"
    "existing one keeps its own.\n"
    "Exit status: 0 done, 1 usage, 2 database exists, 3 bad Config.ini, 4 cannot write.\n";

// What the command line asks for.
struct Options
{
    bool force = false;
    bool ifMissing = false;
    bool rolesOnly = false;
    QString agentPasswordFile;
    QString consolePasswordFile;
    QString webPasswordFile;
    std::optional<QString> agentPassword; // read before connecting, from the file or environment
    std::optional<QString> consolePassword;
    std::optional<QString> webPassword;
};

// A role's password: the first line of its file, else the environment variable, else none. The
// text is never printed; an unreadable or empty file is an error (a typo must not leave the role
// without the password the administrator meant to set).
bool readPassword(const QString &file, const char *variable, std::optional<QString> &password,
                  QString *error)
{
    if (!file.isEmpty()) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read %1: %2").arg(file, f.errorString());
            return false;
        }
        const QString line = QString::fromUtf8(f.readLine()).remove(u'\n').remove(u'\r');
        if (line.isEmpty()) {
            *error = QStringLiteral("%1 holds no password on its first line").arg(file);
            return false;
        }
        password = line;
        return true;
    }
    if (qEnvironmentVariableIsSet(variable)) {
        const QString value = qEnvironmentVariable(variable);
        if (value.isEmpty()) {
            *error = QStringLiteral("%1 is empty").arg(QLatin1String(variable));
            return false;
        }
        password = value;
    }
    return true;
}

int applyRoles(QSqlDatabase &db, const Options &o)
{
    const std::vector<RoleRequest> requests{{AgentRoleName(), o.agentPassword},
                                            {ConsoleRoleName(), o.consolePassword},
                                            {WebRoleName(), o.webPassword}};
    QString error;
    std::vector<RoleOutcome> outcomes;
    if (!applyServerRoles(db, requests, &outcomes, &error))
        return fail(CannotWrite,
                    QStringLiteral("cannot set up the login roles vesk_agent, "
                                   "vesk_console and vesk_web (creating them or setting a "
                                   "password needs a login with CREATEROLE): %1")
                        .arg(error));
    for (const RoleOutcome &r : outcomes) {
        QTextStream(stdout) << "vesk-initdb: role " << r.role << ": "
                            << (r.created ? "created" : "updated")
                            << (r.passwordSet ? ", password set"
                                : r.created   ? ", no password yet (it cannot log in)"
                                              : ", password kept")
                            << Qt::endl;
    }
    return Ok;
}

// Builds the file under a temporary name and renames it into place, so a failure never
// leaves a half-made database where the programs would open it.
int createSqlite(const QString &file, bool force, const LangLookup &lang)
{
    const QFileInfo info(file);
    if (!QDir(info.absolutePath()).exists())
        return fail(CannotWrite,
                    QStringLiteral("folder %1 does not exist").arg(info.absolutePath()));
    const QString temp = file + QStringLiteral(".new");
    QFile::remove(temp);
    {
        QFile probe(temp);
        if (!probe.open(QIODevice::WriteOnly))
            return fail(CannotWrite,
                        QStringLiteral("cannot write %1: %2").arg(temp, probe.errorString()));
    }
    QString error;
    {
        const QString name = QStringLiteral("vesk-initdb");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(temp);
            if (!db.open()) {
                error = db.lastError().text();
            } else {
                // A rollback journal while building: the finished file has no -wal beside it.
                QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
                if (createSchema(db, lang, &error))
                    error.clear();
                else if (error.isEmpty())
                    error = QStringLiteral("unknown error");
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(name);
    }
    if (!error.isEmpty()) {
        QFile::remove(temp);
        return fail(CannotWrite, QStringLiteral("cannot create %1: %2").arg(file, error));
    }
    if (force) {
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(file + suffix);
    }
    if (!QFile::rename(temp, file)) {
        QFile::remove(temp);
        return fail(CannotWrite, QStringLiteral("cannot move the new database to %1").arg(file));
    }
    QTextStream(stdout) << "vesk-initdb: created " << file << Qt::endl;
    return Ok;
}

int createOnServer(const QString &constr, const QString &appDir, const Options &o,
                   const LangLookup &lang)
{
    const QString name = QStringLiteral("vesk-initdb");
    int code = Ok;
    {
        const OpenResult r = openDatabase(name, constr, appDir);
        if (!r.ok) {
            code = fail(CannotWrite,
                        QStringLiteral("cannot connect: %1").arg(openFailureText(r, lang)));
        } else {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            const bool hasTables =
                db.tables().contains(QStringLiteral("tschemaversion"), Qt::CaseInsensitive);
            if (o.rolesOnly) {
                code = hasTables ? applyRoles(db, o)
                                 : fail(CannotWrite, QStringLiteral("the database holds no Vesk "
                                                                    "tables (create them first)"));
            } else if (hasTables && !o.force && o.ifMissing) {
                code = applyRoles(db, o);
            } else if (hasTables && !o.force) {
                code = fail(Exists, QStringLiteral("the database already holds Vesk tables "
                                                   "(use --force to replace them)"));
            } else {
                QSqlQuery q(db);
                if (hasTables) {
                    for (const QString &t : SchemaTables())
                        q.exec(QStringLiteral("drop table if exists ") + t);
                }
                QString error;
                if (!createSchema(db, lang, &error))
                    code = fail(CannotWrite, QStringLiteral("cannot create tables: %1").arg(error));
                else
                    code = applyRoles(db, o);
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return code;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Options o;
    QString appDir;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (a == u"--force")
            o.force = true;
        else if (a == u"--if-missing")
            o.ifMissing = true;
        else if (a == u"--roles")
            o.rolesOnly = true;
        else if (a == u"--agent-password-file" && hasValue)
            o.agentPasswordFile = args.at(++i);
        else if (a == u"--console-password-file" && hasValue)
            o.consolePasswordFile = args.at(++i);
        else if (a == u"--web-password-file" && hasValue)
            o.webPasswordFile = args.at(++i);
        else if (a == u"-h" || a == u"--help")
            return QTextStream(stdout) << UsageText, Ok;
        else if (a.startsWith(u'-') || !appDir.isEmpty())
            return QTextStream(stderr) << UsageText, Usage;
        else
            appDir = a;
    }
    if (int(o.force) + int(o.ifMissing) + int(o.rolesOnly) > 1)
        return QTextStream(stderr) << UsageText, Usage;
    appDir = QDir(appDir.isEmpty() ? QDir::currentPath() : appDir).absolutePath() + u'/';

    const QString configPath = appDir + QStringLiteral("Config.ini");
    const IniFile config = IniFile::config(configPath);
    if (!config.exists())
        return fail(BadConfig, QStringLiteral("%1 not found").arg(configPath));
    int charset = 0;
    try {
        charset = StrToInt(config.readString(QStringLiteral("Font"), QStringLiteral("Charset")));
    } catch (const EConvertError &e) {
        return fail(BadConfig, QStringLiteral("[Font] Charset: %1").arg(e.message()));
    }
    const QString langFile =
        appDir + config.readString(QStringLiteral("Language"), QStringLiteral("FileName"));
    const IniFile catalogue(langFile, charset);
    if (!catalogue.exists() || !QFileInfo(langFile).isFile())
        return fail(BadConfig, QStringLiteral("language file %1 not found").arg(langFile));
    if (catalogue.readString(QStringLiteral("Lang"), QStringLiteral("RSDefaultDept")).isEmpty())
        return fail(BadConfig, QStringLiteral("%1 has no RSDefaultDept").arg(langFile));
    const LangLookup lang = [&catalogue](const QString &key) {
        return catalogue.readString(QStringLiteral("Lang"), key);
    };

    const QString constr =
        config.readString(QStringLiteral("Connection"), QStringLiteral("Constr"));
    const ConnectionString cs = ConnectionString::parse(constr);
    switch (cs.engine()) {
    case DbEngine::SQLite: {
        const QString file = cs.sqliteFile(appDir);
        if (file.isEmpty())
            return fail(BadConfig, QStringLiteral("[Connection] Constr names no Data Source"));
        if (o.rolesOnly)
            return fail(BadConfig, QStringLiteral("login roles are for a PostgreSQL database"));
        if (QFileInfo::exists(file) && !o.force) {
            if (o.ifMissing)
                return Ok;
            return fail(Exists,
                        QStringLiteral("%1 already exists (use --force to replace it)").arg(file));
        }
        return createSqlite(file, o.force, lang);
    }
    case DbEngine::PostgreSQL: {
        QString error;
        if (!readPassword(o.agentPasswordFile, "VESK_AGENT_PASSWORD", o.agentPassword, &error) ||
            !readPassword(o.consolePasswordFile, "VESK_CONSOLE_PASSWORD", o.consolePassword,
                          &error) ||
            !readPassword(o.webPasswordFile, "VESK_WEB_PASSWORD", o.webPassword, &error))
            return fail(BadConfig, error);
        return createOnServer(constr, appDir, o, lang);
    }
    case DbEngine::Unknown:
        break;
    }
    return fail(BadConfig,
                QStringLiteral("[Connection] Constr names no known provider: \"%1\"").arg(constr));
}
