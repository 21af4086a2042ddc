// vesk-initdb: creates a new shared database for an application folder from its Config.ini.
#include "CodePage.h"
#include "ConnectionString.h"
#include "Database.h"
#include "Errors.h"
#include "IniFile.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

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
    "usage: vesk-initdb [--force | --if-missing] [APPDIR]\n"
    "Creates the database that APPDIR/Config.ini names ([Connection] Constr), with the\n"
    "default department and column titles of the language file it names. APPDIR defaults\n"
    "to the current folder. An existing database is kept unless --force is given;\n"
    "--if-missing makes an existing one a success.\n"
    "Exit status: 0 done, 1 usage, 2 database exists, 3 bad Config.ini, 4 cannot write.\n";

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

int createOnServer(const QString &constr, const QString &appDir, bool force, bool ifMissing,
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
            if (hasTables && !force && ifMissing) {
                code = Ok;
            } else if (hasTables && !force) {
                code = fail(Exists, QStringLiteral("the database already holds Vesk tables "
                                                   "(use --force to replace them)"));
            } else {
                QSqlQuery q(db);
                if (hasTables) {
                    for (const char *t : {"tSchemaVersion", "tDept", "tHost", "tPrinter",
                                          "tPrinterData", "tShowSetting", "tSavedRecord"})
                        q.exec(QStringLiteral("drop table if exists ") + QLatin1String(t));
                }
                QString error;
                if (!createSchema(db, lang, &error))
                    code = fail(CannotWrite, QStringLiteral("cannot create tables: %1").arg(error));
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
    bool force = false, ifMissing = false;
    QString appDir;
    const QStringList args = app.arguments().mid(1);
    for (const QString &a : args) {
        if (a == u"--force")
            force = true;
        else if (a == u"--if-missing")
            ifMissing = true;
        else if (a == u"-h" || a == u"--help")
            return QTextStream(stdout) << UsageText, Ok;
        else if (a.startsWith(u'-') || !appDir.isEmpty())
            return QTextStream(stderr) << UsageText, Usage;
        else
            appDir = a;
    }
    if (force && ifMissing)
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
        if (QFileInfo::exists(file) && !force) {
            if (ifMissing)
                return Ok;
            return fail(Exists,
                        QStringLiteral("%1 already exists (use --force to replace it)").arg(file));
        }
        return createSqlite(file, force, lang);
    }
    case DbEngine::PostgreSQL:
        return createOnServer(constr, appDir, force, ifMissing, lang);
    case DbEngine::Unknown:
        break;
    }
    return fail(BadConfig,
                QStringLiteral("[Connection] Constr names no known provider: \"%1\"").arg(constr));
}
