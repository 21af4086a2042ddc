// The window thread's longest stall while jobs from silent computers are taken in (default 20).
// Each computer is a loopback address (127.0.0.2 on) whose NetBIOS port 137 is held by a socket
// that never answers, so the real probe of libVesk.so waits its full time for every job. A
// thread stands in for a monitor and hands the jobs over one blocking send at a time:
//   desk:   to the records' intake desk, as the agent does (the probe runs off the window thread);
//   window: to a receiver on the window thread that takes the job in there, as the agent did.
// An idle loop is measured first, for the stalls the machine itself causes.
// Usage: bench_intake_stall [JOBS] [desk|window|both]   (binding port 137 needs root)
#include "AgentRecords.h"
#include "HostProbe.h"
#include "MainDM.h"
#include "PrinterMonThread.h"
#include "TestAppDir.h"
#include "WindowMessages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace vesk;

namespace {

// Holds UDP port 137 of one loopback address and never answers.
class SilentComputer
{
public:
    explicit SilentComputer(const std::string &address)
    {
        fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(137);
        ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
        ok_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    }
    ~SilentComputer()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool ok() const { return ok_; }

private:
    int fd_ = -1;
    bool ok_ = false;
};

// Takes hand-overs in on the window thread, as the agent window did before the intake desk.
class WindowReceiver : public QObject, public TRecPrinterDataReceiver
{
public:
    explicit WindowReceiver(AgentRecords &records) : records_(records) {}
    void OnRecPrinterData(const TPrinterInfo &Info) override { records_.TakeIn(Info); }

private:
    AgentRecords &records_;
};

struct Figures
{
    qint64 longestStallNs = 0;
    qint64 totalNs = 0;
};

Figures measure(TdmMain &dm, int jobs, bool onDesk)
{
    LibVeskProbe probe;
    AgentRecords records(dm, probe);
    WindowReceiver windowReceiver(records);
    QObject *receiver = onDesk ? records.Desk() : &windowReceiver;

    QEventLoop loop;
    int listed = 0;
    QObject::connect(&records, &AgentRecords::rowListed, &loop, [&] {
        if (++listed == jobs)
            loop.quit();
    });

    // The stall: the longest time between two turns of the window thread's loop.
    Figures f;
    QElapsedTimer clock, total;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        f.longestStallNs = std::max(f.longestStallNs, clock.nsecsElapsed());
        clock.restart();
    });
    clock.start();
    total.start();
    tick.start();

    std::thread monitor([&] {
        for (int i = 0; i < jobs; ++i) {
            TPrinterInfo info;
            info.PrinterName = "Laser";
            TPrinterJob job;
            job.JobId = static_cast<uint32_t>(i + 1);
            job.Document = "Job " + std::to_string(i + 1);
            job.MachineName = "\\\\127.0.0." + std::to_string(2 + i);
            job.TotalPages = 1;
            info.Jobs.push_back(job);
            info.Count = 1;
            SendWindowMessage(receiver, [receiver, &info] {
                dynamic_cast<TRecPrinterDataReceiver *>(receiver)->OnRecPrinterData(info);
            });
        }
    });
    loop.exec();
    f.totalNs = total.nsecsElapsed();
    tick.stop();
    monitor.join();
    records.StopIntake();
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int jobs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const std::string mode = argc > 2 ? argv[2] : "both";

    std::vector<std::unique_ptr<SilentComputer>> computers;
    for (int i = 0; i < jobs; ++i) {
        computers.push_back(std::make_unique<SilentComputer>("127.0.0." + std::to_string(2 + i)));
        if (!computers.back()->ok()) {
            std::fprintf(stderr, "cannot hold port 137 of 127.0.0.%d (needs root)\n", 2 + i);
            return 1;
        }
    }

    test::TestAppDir dir;
    dir.prepareEnglish();
    TdmMain dm(TdmMain::Program::Agent, dir.path());
    dm.acntVesk.ConnectionString = QStringLiteral("Provider=SQLite;Data Source=vesk.db");
    QString error;
    if (!dm.acntVesk.Open(dm.AppDir(), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    dm.OpenIniFile(dir.file(QStringLiteral("English.ini")));
    dm.applyDisplayLabels();
    dm.aqryHost->Open();

    // The same measure over an idle loop: what the machine itself costs the window thread.
    {
        QEventLoop idle;
        QTimer::singleShot(10000, &idle, &QEventLoop::quit);
        qint64 longest = 0;
        QElapsedTimer clock;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, &idle, [&] {
            longest = std::max(longest, clock.nsecsElapsed());
            clock.restart();
        });
        clock.start();
        tick.start();
        idle.exec();
        std::printf("idle    longest window-thread stall %8.1f ms over 10 s without jobs\n",
                    static_cast<double>(longest) / 1e6);
    }
    std::printf("%d jobs from silent computers\n", jobs);
    for (const bool onDesk : {true, false}) {
        if ((onDesk && mode == "window") || (!onDesk && mode == "desk"))
            continue;
        const Figures f = measure(dm, jobs, onDesk);
        std::printf("%-7s longest window-thread stall %8.1f ms, all listed after %6.2f s\n",
                    onDesk ? "desk" : "window", static_cast<double>(f.longestStallNs) / 1e6,
                    static_cast<double>(f.totalNs) / 1e9);
    }
    return 0;
}
