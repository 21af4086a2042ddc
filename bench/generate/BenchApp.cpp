// Shared benchmark set-up.
#include "BenchApp.h"

#include "MainDM.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>

namespace vesk {

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
