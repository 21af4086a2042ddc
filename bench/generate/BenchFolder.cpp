// Making the benchmarks' application folders.
#include "BenchFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

namespace vesk {

bool runProgram(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool prepareBenchFolder(const QString &appDir, qint64 records, int hosts, QTextStream &log)
{
    if (QFile::exists(appDir + QStringLiteral("vesk.db")))
        return true;
    QDir().mkpath(appDir);
    QFile config(appDir + QStringLiteral("Config.ini"));
    if (!config.open(QIODevice::WriteOnly))
        return false;
    config.write("[Connection]\nConstr=Provider=SQLite;Data Source=vesk.db\n"
                 "[Font]\nCharset=0\n[Language]\nFileName=English.ini\n");
    config.close();
    QFile::copy(QStringLiteral(VESK_LANG_DIR "/English.ini"),
                appDir + QStringLiteral("English.ini"));
    log << "generating " << records << " records and " << hosts << " computers in " << appDir
        << Qt::endl;
    QElapsedTimer t;
    t.start();
    const bool ok = runProgram(QStringLiteral(VESK_INITDB), {appDir}) &&
                    runProgram(QStringLiteral(VESK_GEN_DEMO),
                               {QStringLiteral("--records"), QString::number(records),
                                QStringLiteral("--hosts"), QString::number(hosts), appDir});
    log << "generated in " << t.elapsed() / 1000.0 << " s" << Qt::endl;
    return ok;
}

} // namespace vesk
