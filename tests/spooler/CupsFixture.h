// A private cupsd on loopback with one counting queue, shared by the tests against real CUPS.
#pragma once

#include "CupsSpooler.h"
#include "MonitorHarness.h"
#include "Skip.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace vesk::test {

inline const QString Script = QStringLiteral(VESK_SOURCE_DIR "/scripts/cupsd");
inline const QString Ppd = QStringLiteral(VESK_SOURCE_DIR "/tests/spooler/data/vesk-count.ppd");
inline const std::string Queue = "Counter";
inline constexpr int QuietMs = 1000;

// A small valid PDF with Pages empty pages (the filters count them).
inline QByteArray MakePdf(int Pages)
{
    QByteArray Pdf = "%PDF-1.4\n";
    QList<qsizetype> Offsets;
    auto Object = [&](const QByteArray &Body) {
        Offsets << Pdf.size();
        Pdf += QByteArray::number(Offsets.size()) + " 0 obj\n" + Body + "\nendobj\n";
    };
    QByteArray Kids;
    for (int I = 0; I < Pages; ++I)
        Kids += QByteArray::number(3 + I) + " 0 R ";
    Object("<< /Type /Catalog /Pages 2 0 R >>");
    Object("<< /Type /Pages /Kids [" + Kids + "] /Count " + QByteArray::number(Pages) + " >>");
    for (int I = 0; I < Pages; ++I)
        Object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >>");
    const qsizetype Xref = Pdf.size();
    Pdf += "xref\n0 " + QByteArray::number(Offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype O : Offsets)
        Pdf += QByteArray::number(O).rightJustified(10, '0') + " 00000 n \n";
    Pdf += "trailer\n<< /Size " + QByteArray::number(Offsets.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(Xref) + "\n%%EOF\n";
    return Pdf;
}

struct RunResult
{
    int Exit = -1;
    QString Out;
};

class cups_monitor : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Dir = new QTemporaryDir;
        QFile::setPermissions(Dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                               QFile::ReadGroup | QFile::ExeGroup |
                                               QFile::ReadOther | QFile::ExeOther);
        if (!StartCupsd())
            return;
        Pdf = Dir->filePath("budget.pdf");
        QFile F(Pdf);
        F.open(QIODevice::WriteOnly);
        F.write(MakePdf(3));
        F.close();
        const auto Add = Run("lpadmin", {"-p", QString::fromStdString(Queue), "-E", "-v",
                                         "file:///dev/null", "-P", Ppd});
        if (Add.Exit != 0)
            Failure = "lpadmin failed: " + Add.Out.toStdString();
        else
            StartEverywhere();
    }

    // CUPS's own IPP Everywhere printer model, colour and two-sided, behind a driverless queue
    // (EverywhereQueue): a real device model reports copies, sides, colour and pages. It needs a
    // D-Bus bus even without DNS-SD (a private one), and offers only PWG raster, so CUPS
    // rasterizes and ippeveps counts the pages without Ghostscript.
    static void StartEverywhere()
    {
        if (!QFileInfo::exists("/usr/sbin/ippeveprinter") ||
            !QFileInfo::exists("/usr/bin/dbus-daemon")) {
            EverywhereMissing = "ippeveprinter (cups-ipp-utils) or dbus-daemon is not installed";
            return;
        }
        const QString Bus = Dir->filePath("bus"), Spool = Dir->filePath("ippeve");
        QDir().mkpath(Spool);
        Dbus = new QProcess;
        Dbus->start("dbus-daemon", {"--config-file=/usr/share/dbus-1/session.conf",
                                    "--address=unix:path=" + Bus, "--nofork"});
        for (int I = 0; I < 600 && !QFileInfo::exists(Bus); ++I)
            QThread::msleep(50);
        auto Env = QProcessEnvironment::systemEnvironment();
        Env.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + Bus);
        // A port below the ephemeral range; the next one when it is taken.
        for (int Attempt = 0; Attempt < 10 && EverywherePort == 0; ++Attempt) {
            const int Try = 20000 + static_cast<int>(QRandomGenerator::global()->bounded(12000));
            Printer = new QProcess;
            Printer->setProcessEnvironment(Env);
            Printer->setProcessChannelMode(QProcess::MergedChannels);
            Printer->start("ippeveprinter", {"-r",
                                             "off",
                                             "-n",
                                             "localhost",
                                             "-p",
                                             QString::number(Try),
                                             "-d",
                                             Spool,
                                             "-k",
                                             "-2",
                                             "-s",
                                             "600,600",
                                             "-f",
                                             "image/pwg-raster",
                                             "-c",
                                             "/usr/sbin/ippeveps",
                                             "-M",
                                             "Vesk",
                                             "-m",
                                             "Colour Duplex",
                                             QString::fromStdString(EverywhereQueue)});
            Printer->waitForStarted(30000);
            const auto Up = [&] {
                return Run("ipptool",
                           {"-q", "ipp://127.0.0.1:" + QString::number(Try) + "/ipp/print",
                            "get-printer-attributes.test"},
                           false)
                           .Exit == 0;
            };
            for (int I = 0; I < 200 && Printer->state() == QProcess::Running && !Up(); ++I)
                QThread::msleep(50);
            if (Printer->state() == QProcess::Running && Up())
                EverywherePort = Try;
            else
                StopProcess(Printer);
        }
        if (EverywherePort == 0) {
            EverywhereMissing = "ippeveprinter did not start";
            return;
        }
        const QString Name = QString::fromStdString(EverywhereQueue);
        const auto Add =
            Run("lpadmin", {"-p", Name, "-E", "-v",
                            "ipp://127.0.0.1:" + QString::number(EverywherePort) + "/ipp/print",
                            "-m", "everywhere"});
        if (Add.Exit != 0) {
            Failure = "lpadmin -m everywhere failed: " + Add.Out.toStdString();
            return;
        }
        // For a moment the new queue still reads as a raw one: wait for its model.
        for (int I = 0; I < 600; ++I) {
            if (Run("lpoptions", {"-p", Name, "-l"}).Out.contains("ColorModel"))
                return;
            QThread::msleep(50);
        }
        Failure = "the driverless queue got no model";
    }

    static void StopProcess(QProcess *&P)
    {
        if (P == nullptr)
            return;
        P->terminate();
        if (!P->waitForFinished(10000)) {
            P->kill();
            P->waitForFinished(10000);
        }
        delete P;
        P = nullptr;
    }

    static void TearDownTestSuite()
    {
        if (Dir != nullptr) {
            Run(Script, {"stop", Dir->path() + "/cupsd"}, false);
            StopProcess(Printer);
            StopProcess(Dbus);
            delete Dir;
            Dir = nullptr;
        }
    }

    static bool StartCupsd()
    {
        const auto R = Run(
            Script,
            {"start", Dir->path() + "/cupsd", QString::number(QCoreApplication::applicationPid())},
            false);
        if (R.Exit == 77) {
            Missing = true;
            return false;
        }
        if (R.Exit != 0) {
            Failure = "cupsd did not start: " + R.Out.toStdString();
            return false;
        }
        bool Number = false;
        Port = R.Out.trimmed().toInt(&Number);
        if (!Number) {
            Failure = "cupsd gave no port: " + R.Out.toStdString();
            return false;
        }
        return true;
    }

    static RunResult Run(const QString &Program, const QStringList &Args, bool WithServer = true)
    {
        QProcess P;
        auto Env = QProcessEnvironment::systemEnvironment();
        if (WithServer)
            Env.insert("CUPS_SERVER", "127.0.0.1:" + QString::number(Port));
        P.setProcessEnvironment(Env);
        P.setProcessChannelMode(QProcess::MergedChannels);
        P.start(Program, Args);
        P.waitForFinished(60000);
        return {P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1,
                QString::fromLocal8Bit(P.readAll())};
    }

    // Submits a job with lp; returns its id.
    static uint32_t Submit(const QStringList &Options, const std::string &To = Queue)
    {
        const auto R = Run("lp", QStringList{"-d", QString::fromStdString(To)} + Options);
        const auto M = QRegularExpression("request id is \\S+-(\\d+)").match(R.Out);
        EXPECT_TRUE(M.hasMatch()) << R.Out.toStdString();
        return M.captured(1).toUInt();
    }

    void SetUp() override
    {
        if (Missing)
            VESK_SKIP() << "cupsd is not installed";
        ASSERT_TRUE(Failure.empty()) << Failure;
        Spooler = std::make_shared<spooler::CupsSpooler>(Address());
    }

    static std::string Address() { return "127.0.0.1:" + std::to_string(Port); }

    static std::vector<uint32_t> HandedIds(Receiver *R)
    {
        std::vector<uint32_t> Ids;
        for (const auto &H : R->HandedJobs())
            Ids.push_back(H.Job.JobId);
        return Ids;
    }

    static bool Has(const std::vector<Handed> &H, uint32_t Id)
    {
        return std::any_of(H.begin(), H.end(), [Id](const Handed &X) { return X.Job.JobId == Id; });
    }

    static inline QTemporaryDir *Dir = nullptr;
    static inline int Port = 0;
    static inline bool Missing = false;
    static inline std::string Failure;
    static inline QString Pdf;
    static inline const std::string EverywhereQueue = "Office";
    static inline int EverywherePort = 0;
    static inline std::string EverywhereMissing; // why the queue is missing; empty when it runs
    static inline QProcess *Dbus = nullptr;
    static inline QProcess *Printer = nullptr;

    std::shared_ptr<spooler::CupsSpooler> Spooler;
    WindowThread Window;
};

} // namespace vesk::test
