// vesk-initdb's work: the folder's settings read, the database made, the login roles set.
#include "CreateDatabase.h"

#include "CodePage.h"
#include "ConnectionString.h"
#include "Database.h"
#include "Errors.h"
#include "IniFile.h"
#include "Schema.h"
#include "ServerRoles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <optional>

namespace vesk {

namespace {

CreateResult failed(CreateResult::Status status, const QString &error)
{
    CreateResult r;
    r.status = status;
    r.error = error;
    return r;
}

// The passwords of the login roles, read before connecting from their files or the environment.
struct Passwords
{
    std::optional<QString> agent;
    std::optional<QString> console;
    std::optional<QString> web;
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

CreateResult applyRoles(QSqlDatabase &db, const Passwords &p)
{
    const std::vector<RoleRequest> requests{
        {AgentRoleName(), p.agent}, {ConsoleRoleName(), p.console}, {WebRoleName(), p.web}};
    QString error;
    std::vector<RoleOutcome> outcomes;
    if (!applyServerRoles(db, requests, &outcomes, &error))
        return failed(CreateResult::CannotWrite,
                      QStringLiteral("cannot set up the login roles vesk_agent, "
                                     "vesk_console and vesk_web (creating them or setting a "
                                     "password needs a login with CREATEROLE): %1")
                          .arg(error));
    CreateResult result;
    for (const RoleOutcome &r : outcomes) {
        result.done << QStringLiteral("role %1: %2%3")
                           .arg(r.role, QLatin1String(r.created ? "created" : "updated"),
                                QLatin1String(r.passwordSet ? ", password set"
                                              : r.created   ? ", no password yet (it cannot log in)"
                                                            : ", password kept"));
    }
    return result;
}

CreateResult createSqlite(const QString &file, bool force, const LangLookup &lang)
{
    const QFileInfo info(file);
    if (!QDir(info.absolutePath()).exists())
        return failed(CreateResult::CannotWrite,
                      QStringLiteral("folder %1 does not exist").arg(info.absolutePath()));
    const QString temp = file + QStringLiteral(".new");
    QFile::remove(temp);
    {
        QFile probe(temp);
        if (!probe.open(QIODevice::WriteOnly))
            return failed(CreateResult::CannotWrite,
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
        return failed(CreateResult::CannotWrite,
                      QStringLiteral("cannot create %1: %2").arg(file, error));
    }
    if (force) {
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(file + suffix);
    }
    if (!QFile::rename(temp, file)) {
        QFile::remove(temp);
        return failed(CreateResult::CannotWrite,
                      QStringLiteral("cannot move the new database to %1").arg(file));
    }
    CreateResult result;
    result.done << QStringLiteral("created ") + file;
    return result;
}

CreateResult createOnServer(const QString &constr, const QString &appDir, CreateRequest::Mode mode,
                            const Passwords &passwords, const LangLookup &lang)
{
    const QString name = QStringLiteral("vesk-initdb");
    CreateResult result;
    {
        const OpenResult r = openDatabase(name, constr, appDir);
        if (!r.ok) {
            result = failed(CreateResult::CannotWrite,
                            QStringLiteral("cannot connect: %1").arg(openFailureText(r, lang)));
        } else {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            const bool hasTables =
                db.tables().contains(QStringLiteral("tschemaversion"), Qt::CaseInsensitive);
            if (mode == CreateRequest::RolesOnly) {
                result = hasTables ? applyRoles(db, passwords)
                                   : failed(CreateResult::CannotWrite,
                                            QStringLiteral("the database holds no Vesk "
                                                           "tables (create them first)"));
            } else if (hasTables && mode == CreateRequest::IfMissing) {
                result = applyRoles(db, passwords);
            } else if (hasTables && mode != CreateRequest::Force) {
                result = failed(CreateResult::Exists,
                                QStringLiteral("the database already holds Vesk tables "
                                               "(use --force to replace them)"));
            } else {
                QSqlQuery q(db);
                if (hasTables) {
                    for (const QString &t : SchemaTables())
                        q.exec(QStringLiteral("drop table if exists ") + t);
                }
                QString error;
                if (!createSchema(db, lang, &error))
                    result = failed(CreateResult::CannotWrite,
                                    QStringLiteral("cannot create tables: %1").arg(error));
                else
                    result = applyRoles(db, passwords);
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

} // namespace

CreateResult CreateDatabase(const CreateRequest &request)
{
    const QString appDir = QDir(request.appDir).absolutePath() + u'/';
    const QString configPath = appDir + QStringLiteral("Config.ini");
    const IniFile config = IniFile::config(configPath);
    if (!config.exists())
        return failed(CreateResult::BadConfig, QStringLiteral("%1 not found").arg(configPath));
    int charset = 0;
    try {
        charset = StrToInt(config.readString(QStringLiteral("Font"), QStringLiteral("Charset")));
    } catch (const EConvertError &e) {
        return failed(CreateResult::BadConfig,
                      QStringLiteral("[Font] Charset: %1").arg(e.message()));
    }
    const QString langFile =
        appDir + config.readString(QStringLiteral("Language"), QStringLiteral("FileName"));
    const IniFile catalogue(langFile, charset);
    if (!catalogue.exists() || !QFileInfo(langFile).isFile())
        return failed(CreateResult::BadConfig,
                      QStringLiteral("language file %1 not found").arg(langFile));
    if (catalogue.readString(QStringLiteral("Lang"), QStringLiteral("RSDefaultDept")).isEmpty())
        return failed(CreateResult::BadConfig,
                      QStringLiteral("%1 has no RSDefaultDept").arg(langFile));
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
            return failed(CreateResult::BadConfig,
                          QStringLiteral("[Connection] Constr names no Data Source"));
        if (request.mode == CreateRequest::RolesOnly)
            return failed(CreateResult::BadConfig,
                          QStringLiteral("login roles are for a PostgreSQL database"));
        if (QFileInfo::exists(file) && request.mode != CreateRequest::Force) {
            if (request.mode == CreateRequest::IfMissing)
                return {};
            return failed(
                CreateResult::Exists,
                QStringLiteral("%1 already exists (use --force to replace it)").arg(file));
        }
        return createSqlite(file, request.mode == CreateRequest::Force, lang);
    }
    case DbEngine::PostgreSQL: {
        QString error;
        Passwords p;
        if (!readPassword(request.agentPasswordFile, "VESK_AGENT_PASSWORD", p.agent, &error) ||
            !readPassword(request.consolePasswordFile, "VESK_CONSOLE_PASSWORD", p.console,
                          &error) ||
            !readPassword(request.webPasswordFile, "VESK_WEB_PASSWORD", p.web, &error))
            return failed(CreateResult::BadConfig, error);
        return createOnServer(constr, appDir, request.mode, p, lang);
    }
    case DbEngine::Unknown:
        break;
    }
    return failed(
        CreateResult::BadConfig,
        QStringLiteral("[Connection] Constr names no known provider: \"%1\"").arg(constr));
}

} // namespace vesk
