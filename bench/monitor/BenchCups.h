// A private cupsd for the monitor benchmarks, started and stopped through scripts/cupsd.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace vesk::bench {

inline QString Run(const QString &Program, const QStringList &Args, int Port)
{
    QProcess P;
    auto Env = QProcessEnvironment::systemEnvironment();
    if (Port != 0)
        Env.insert("CUPS_SERVER", "127.0.0.1:" + QString::number(Port));
    P.setProcessEnvironment(Env);
    P.setProcessChannelMode(QProcess::MergedChannels);
    P.start(Program, Args);
    P.waitForFinished(60000);
    if (P.exitStatus() != QProcess::NormalExit || P.exitCode() != 0)
        throw std::runtime_error(
            QString(Program + " failed: " + QString::fromLocal8Bit(P.readAll())).toStdString());
    return QString::fromLocal8Bit(P.readAll());
}

class PrivateCupsd
{
public:
    PrivateCupsd()
    {
        QFile::setPermissions(FDir.path(), QFileDevice::Permissions(0x7755));
        Port = Run(Script(), {"start", FDir.path() + "/cupsd", QString::number(getpid())}, 0)
                   .trimmed()
                   .toInt();
        std::ifstream(FDir.path().toStdString() + "/cupsd/cupsd.pid") >> Pid;
    }
    ~PrivateCupsd()
    {
        try {
            Run(Script(), {"stop", FDir.path() + "/cupsd"}, 0);
        } catch (...) {
        }
    }
    void AddQueue(const QString &Name)
    {
        Run("lpadmin",
            {"-p", Name, "-E", "-v", "file:///dev/null", "-P",
             QStringLiteral(VESK_SOURCE_DIR "/tests/spooler/data/vesk-count.ppd")},
            Port);
    }
    QString Path(const QString &Name) const { return FDir.filePath(Name); }
    // CPU seconds cupsd has used so far.
    double CpuSeconds() const
    {
        std::ifstream Stat("/proc/" + std::to_string(Pid) + "/stat");
        std::string Line;
        std::getline(Stat, Line);
        std::istringstream In(Line.substr(Line.rfind(')') + 2));
        std::string Field;
        double UTime = 0, STime = 0;
        for (int I = 3; I <= 15 && In >> Field; ++I) {
            if (I == 14)
                UTime = std::stod(Field);
            if (I == 15)
                STime = std::stod(Field);
        }
        return (UTime + STime) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    int Port = 0;
    int Pid = 0;

private:
    static QString Script() { return QStringLiteral(VESK_SOURCE_DIR "/scripts/cupsd"); }
    QTemporaryDir FDir;
};

} // namespace vesk::bench
