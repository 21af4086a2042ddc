// The monitor against a private cupsd on loopback: real jobs from lp, held jobs, a restart.
#include "CupsSpooler.h"
#include "MonitorHarness.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

const QString Script = QStringLiteral(VESK_SOURCE_DIR "/scripts/cupsd");
const QString Ppd = QStringLiteral(VESK_SOURCE_DIR "/tests/spooler/data/vesk-count.ppd");
const std::string Queue = "Counter";
constexpr int QuietMs = 1000;

// A small valid PDF with Pages empty pages (the filters count them).
QByteArray MakePdf(int Pages)
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
    }

    static void TearDownTestSuite()
    {
        if (Dir != nullptr) {
            Run(Script, {"stop", Dir->path() + "/cupsd"}, false);
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
        Port = R.Out.trimmed().toInt();
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
    static uint32_t Submit(const QStringList &Options)
    {
        const auto R = Run("lp", QStringList{"-d", QString::fromStdString(Queue)} + Options);
        const auto M = QRegularExpression("request id is \\S+-(\\d+)").match(R.Out);
        EXPECT_TRUE(M.hasMatch()) << R.Out.toStdString();
        return M.captured(1).toUInt();
    }

    void SetUp() override
    {
        if (Missing)
            GTEST_SKIP() << "cupsd is not installed";
        ASSERT_TRUE(Failure.empty()) << Failure;
        Spooler = std::make_shared<spooler::CupsSpooler>("127.0.0.1:" + std::to_string(Port));
    }

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

    std::shared_ptr<spooler::CupsSpooler> Spooler;
    WindowThread Window;
};

TEST_F(cups_monitor, OpeningTellsUnknownPrinterFromUnreachableServer)
{
    spooler::OpenError Error = spooler::OpenError::None;
    EXPECT_EQ(Spooler->OpenPrinter("NoSuchQueue", &Error), nullptr);
    EXPECT_EQ(Error, spooler::OpenError::UnknownPrinter);
    EXPECT_NE(Spooler->OpenPrinter(Queue, &Error), nullptr);
    EXPECT_EQ(Error, spooler::OpenError::None);
    // Port 1 on loopback: nobody listens, the connection is refused at once.
    spooler::CupsSpooler Nowhere("127.0.0.1:1");
    EXPECT_EQ(Nowhere.OpenPrinter(Queue, &Error), nullptr);
    EXPECT_EQ(Error, spooler::OpenError::ServerUnreachable);

    TPrinterMonThread Mon(Spooler, [] { return true; });
    Mon.PrinterName = "NoSuchQueue";
    EXPECT_FALSE(Mon.OpenMonitoredPrinter());
}

TEST_F(cups_monitor, JobsAreHandedOverOnceWithTheirFields)
{
    RunningMonitor M(Spooler, Queue, true, Window.R, QuietMs);
    ASSERT_TRUE(M.Opened);
    const uint32_t A = Submit({"-t", "Budget 2027", "-U", "bob", "-o", "media=A4", Pdf});
    const uint32_t B = Submit({"-t", "Minutes", "-U", "carol", "-o", "media=iso_a4_210x297mm", "-o",
                               "job-originating-host-name=pc7", Pdf});
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, A) && Has(H, B); }));
    // A later job proves more sweeps went by: nothing may come twice.
    const uint32_t C = Submit({"-t", "Marker", Pdf});
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, C); }));
    const auto Ids = HandedIds(Window.R);
    EXPECT_EQ(std::count(Ids.begin(), Ids.end(), A), 1);
    EXPECT_EQ(std::count(Ids.begin(), Ids.end(), B), 1);
    EXPECT_EQ(std::count(Ids.begin(), Ids.end(), C), 1);

    const qint64 Size = QFileInfo(Pdf).size();
    const uint32_t Expected = static_cast<uint32_t>((Size + 1023) / 1024 * 1024);
    for (const auto &H : Window.R->HandedJobs()) {
        if (H.Job.JobId != A && H.Job.JobId != B)
            continue;
        SCOPED_TRACE(H.Job.JobId);
        EXPECT_EQ(H.PrinterName, Queue);
        EXPECT_EQ(H.Count, 1);
        EXPECT_TRUE(H.OnWindowThread);
        EXPECT_EQ(H.Job.TotalPages, 3u);
        EXPECT_EQ(H.Job.TotalBytes, Expected);
        EXPECT_EQ(H.Job.PaperSize, 9);
        EXPECT_NE(H.Job.Submitted.wYear, 0);
    }
    for (const auto &H : Window.R->HandedJobs()) {
        if (H.Job.JobId == A) {
            EXPECT_EQ(H.Job.Document, "Budget 2027");
            EXPECT_EQ(H.Job.UserName, "bob");
            EXPECT_EQ(H.Job.MachineName, "\\\\localhost");
        } else if (H.Job.JobId == B) {
            EXPECT_EQ(H.Job.Document, "Minutes");
            EXPECT_EQ(H.Job.UserName, "carol");
            EXPECT_EQ(H.Job.MachineName, "\\\\pc7");
        }
    }
    EXPECT_TRUE(Window.R->Lines().isEmpty());
}

TEST_F(cups_monitor, HeldJobIsHandedOverOnlyAfterRelease)
{
    RunningMonitor M(Spooler, Queue, true, Window.R, QuietMs);
    ASSERT_TRUE(M.Opened);
    const uint32_t Held = Submit({"-t", "Held", "-H", "hold", Pdf});
    const uint32_t Other = Submit({"-t", "Other", Pdf});
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, Other); }));
    EXPECT_FALSE(Has(Window.R->HandedJobs(), Held));
    const auto R = Run("lp", {"-i", QString::number(Held), "-H", "resume"});
    ASSERT_EQ(R.Exit, 0) << R.Out.toStdString();
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, Held); }));
    for (const auto &H : Window.R->HandedJobs()) {
        if (H.Job.JobId == Held) {
            EXPECT_EQ(H.Job.TotalPages, 3u);
        }
    }
}

TEST_F(cups_monitor, PollingPathHandsOverTheJobThatLeft)
{
    RunningMonitor M(Spooler, Queue, false, Window.R, QuietMs, 20);
    ASSERT_TRUE(M.Opened);
    const uint32_t Held = Submit({"-t", "Polled", "-U", "dave", "-H", "hold", Pdf});
    ASSERT_EQ(Run("lp", {"-i", QString::number(Held), "-H", "resume"}).Exit, 0);
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, Held); }));
    const Handed H = Window.R->HandedJobs().front();
    EXPECT_EQ(H.Job.Document, "Polled");
    EXPECT_EQ(H.Job.UserName, "dave");
    EXPECT_EQ(H.PrinterName, Queue);
}

TEST_F(cups_monitor, SurvivesACupsdRestart)
{
    RunningMonitor M(Spooler, Queue, true, Window.R, QuietMs);
    ASSERT_TRUE(M.Opened);
    const uint32_t Before = Submit({"-t", "Before", Pdf});
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, Before); }));
    ASSERT_EQ(Run(Script, {"stop", Dir->path() + "/cupsd"}, false).Exit, 0);
    // Down for longer than a sweep: the listings fail and nothing is handed over.
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * QuietMs));
    ASSERT_TRUE(StartCupsd());
    const uint32_t After = Submit({"-t", "After", Pdf});
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, After); }));
    EXPECT_EQ(HandedIds(Window.R), (std::vector<uint32_t>{Before, After}));
    M.Stop();
    EXPECT_EQ(Window.R->Lines().back().toStdString(),
              "Monitoring thread for printer " + Queue + " terminated");
}

} // namespace
} // namespace vesk::test
