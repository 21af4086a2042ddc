// Shared benchmark set-up.
#include "BenchApp.h"

#include "MainDM.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>
#include <QVariant>

#include <algorithm>

namespace vesk {

namespace {

// The folder of the run's private PostgreSQL server, inside the application folder.
QString serverDir(const QString &appDir)
{
    return appDir + QStringLiteral("pg-server");
}

void stopServer(const BenchData &d)
{
    runProgram(d.pgServer, {QStringLiteral("stop"), serverDir(d.appDir)});
}

// Runs `pg-server` with a verb on the run's server folder; the port it prints, 0 on failure.
int serverCommand(const QString &verb, const BenchData &d)
{
    QProcess p;
    p.start(d.pgServer, {verb, serverDir(d.appDir)});
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return 0;
    return p.readAllStandardOutput().trimmed().toInt();
}

// The first value of `statement` on the server's database `database`; -1 on failure.
qint64 serverValue(int port, const QString &database, const QString &statement)
{
    qint64 value = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), "server");
        db.setHostName(QStringLiteral("127.0.0.1"));
        db.setPort(port);
        db.setDatabaseName(database);
        db.setUserName(QStringLiteral("postgres"));
        QSqlQuery q(db);
        if (db.open() && q.exec(statement))
            value = q.next() ? q.value(0).toLongLong() : 0;
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("server"));
    return value;
}

// Starts a private PostgreSQL server with an empty database "vesk"; its port, 0 on failure.
int startServer(const BenchData &d)
{
    stopServer(d);
    const int port = serverCommand(QStringLiteral("start"), d);
    return port != 0 && serverValue(port, QStringLiteral("postgres"),
                                    QStringLiteral("create database vesk")) >= 0
               ? port
               : 0;
}

// Starts the server a previous run left halted, when its database holds the records asked
// for. Its port, 0 when none.
int resumeServer(const BenchData &d)
{
    if (!QFile::exists(serverDir(d.appDir) + QStringLiteral("/data/PG_VERSION")))
        return 0;
    const int port = serverCommand(QStringLiteral("reopen"), d);
    if (port != 0 && serverValue(port, QStringLiteral("vesk"),
                                 QStringLiteral("select count(*) from tPrinterData")) == d.records)
        return port;
    stopServer(d);
    return 0;
}

} // namespace

void addBenchDataOptions(QCommandLineParser &cl, const QString &folderName)
{
    cl.addOption({QStringLiteral("app"), QStringLiteral("Application folder (kept)."),
                  QStringLiteral("dir"), QDir::tempPath() + u'/' + folderName});
    cl.addOption({QStringLiteral("records"), QStringLiteral("Print records."), QStringLiteral("n"),
                  QStringLiteral("1000000")});
    cl.addOption({QStringLiteral("hosts"), QStringLiteral("Computers."), QStringLiteral("n"),
                  QStringLiteral("2000")});
    cl.addOption({QStringLiteral("postgres"),
                  QStringLiteral("On a private PostgreSQL server started for the run.")});
    cl.addOption({QStringLiteral("copies"),
                  QStringLiteral("Generate records/n, then make n of each in the database (1)."),
                  QStringLiteral("n"), QStringLiteral("1")});
}

BenchData benchDataFrom(const QCommandLineParser &cl, BenchData programs)
{
    programs.appDir = QDir(cl.value(QStringLiteral("app"))).absolutePath() + u'/';
    programs.records = cl.value(QStringLiteral("records")).toLongLong();
    programs.hosts = cl.value(QStringLiteral("hosts")).toInt();
    programs.postgres = cl.isSet(QStringLiteral("postgres"));
    programs.copies = std::max(1, cl.value(QStringLiteral("copies")).toInt());
    return programs;
}

QString prepareBenchData(const BenchData &d)
{
    QDir().mkpath(d.appDir);
    QTextStream out(stdout);
    const int kept = d.postgres ? resumeServer(d) : 0;
    const int port = d.postgres && !kept ? startServer(d) : kept;
    const QString constr =
        d.postgres ? QStringLiteral("Provider=PostgreSQL;Host=127.0.0.1;Port=%1;Database=vesk;"
                                    "User ID=postgres")
                         .arg(port)
                   : QStringLiteral("Provider=SQLite;Data Source=vesk.db");
    if (kept) {
        writeBenchConfig(d.appDir, d.langDir, constr);
        out << "using the " << d.records << " records kept in " << serverDir(d.appDir) << Qt::endl;
    } else if ((d.postgres && port == 0) ||
               !prepareBenchApp(d.appDir, d.langDir, d.initdb, d.genDemo, d.records, d.hosts,
                                constr, d.copies)) {
        out << "could not prepare " << d.appDir << Qt::endl;
        if (d.postgres)
            stopServer(d);
        return {};
    }
    return constr;
}

void haltBenchServer(const BenchData &d)
{
    if (d.postgres)
        serverCommand(QStringLiteral("halt"), d);
}

long statusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key) + 1).trimmed().split(' ').first().toLong();
    }
    return -1;
}

bool runProgram(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool writeBenchConfig(const QString &appDir, const QString &langDir, const QString &constr)
{
    QDir().mkpath(appDir);
    QFile config(appDir + QStringLiteral("Config.ini"));
    if (!config.open(QIODevice::WriteOnly))
        return false;
    config.write("[Connection]\nConstr=" + constr.toUtf8() +
                 "\n[Font]\nCharset=0\n[Language]\nFileName=English.ini\n");
    config.close();
    QFile::copy(langDir + QStringLiteral("/English.ini"), appDir + QStringLiteral("English.ini"));
    return true;
}

bool prepareBenchApp(const QString &appDir, const QString &langDir, const QString &initdb,
                     const QString &genDemo, qint64 records, int hosts, const QString &constr,
                     int copies)
{
    const bool sqlite = constr.startsWith(QStringLiteral("Provider=SQLite;"));
    if (sqlite && QFile::exists(appDir + QStringLiteral("vesk.db")))
        return true;
    if (!writeBenchConfig(appDir, langDir, constr))
        return false;
    QTextStream out(stdout);
    out << "generating " << records << " records and " << hosts << " computers in " << appDir
        << Qt::endl;
    QElapsedTimer t;
    t.start();
    const bool ok =
        runProgram(initdb, {appDir}) &&
        runProgram(genDemo, {QStringLiteral("--records"), QString::number(records / copies),
                             QStringLiteral("--hosts"), QString::number(hosts),
                             QStringLiteral("--copies"), QString::number(copies), appDir});
    out << "generated in " << t.elapsed() / 1000.0 << " s" << Qt::endl;
    return ok;
}

bool openBenchApp(TdmMain &dm, const QString &appDir, QString *error)
{
    dm.acntVesk.ConnectionString = QStringLiteral("Provider=SQLite;Data Source=vesk.db");
    if (!dm.acntVesk.Open(appDir, error))
        return false;
    dm.OpenIniFile(appDir + QStringLiteral("English.ini"));
    return true;
}

} // namespace vesk
