// vesk-initdb: creates a new shared database for an application folder from its Config.ini.
#include "CreateDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

using namespace vesk;

namespace {

constexpr int Usage = 1;

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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    CreateRequest request;
    bool force = false, ifMissing = false, rolesOnly = false;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (a == u"--force")
            force = true;
        else if (a == u"--if-missing")
            ifMissing = true;
        else if (a == u"--roles")
            rolesOnly = true;
        else if (a == u"--agent-password-file" && hasValue)
            request.agentPasswordFile = args.at(++i);
        else if (a == u"--console-password-file" && hasValue)
            request.consolePasswordFile = args.at(++i);
        else if (a == u"--web-password-file" && hasValue)
            request.webPasswordFile = args.at(++i);
        else if (a == u"-h" || a == u"--help")
            return QTextStream(stdout) << UsageText, 0;
        else if (a.startsWith(u'-') || !request.appDir.isEmpty())
            return QTextStream(stderr) << UsageText, Usage;
        else
            request.appDir = a;
    }
    if (int(force) + int(ifMissing) + int(rolesOnly) > 1)
        return QTextStream(stderr) << UsageText, Usage;
    request.mode = force       ? CreateRequest::Force
                   : ifMissing ? CreateRequest::IfMissing
                   : rolesOnly ? CreateRequest::RolesOnly
                               : CreateRequest::New;
    if (request.appDir.isEmpty())
        request.appDir = QDir::currentPath();

    const CreateResult result = CreateDatabase(request);
    for (const QString &line : result.done)
        QTextStream(stdout) << "vesk-initdb: " << line << Qt::endl;
    if (result.status != CreateResult::Done)
        QTextStream(stderr) << "vesk-initdb: " << result.error << Qt::endl;
    return result.status;
}
