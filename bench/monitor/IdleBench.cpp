// Idle cost of ten monitors on one CUPS server: notification path against polling path.
#include "BenchCups.h"
#include "CupsSpooler.h"
#include "MonitorHarness.h"

#include <QCoreApplication>

#include <cstdio>
#include <fstream>
#include <sys/resource.h>

namespace {

double ProcessCpuSeconds()
{
    rusage U{};
    getrusage(RUSAGE_SELF, &U);
    return static_cast<double>(U.ru_utime.tv_sec + U.ru_stime.tv_sec) +
           static_cast<double>(U.ru_utime.tv_usec + U.ru_stime.tv_usec) / 1e6;
}

long RssKiB()
{
    std::ifstream Status("/proc/self/status");
    std::string Key;
    long Value = 0;
    while (Status >> Key) {
        if (Key == "VmRSS:") {
            Status >> Value;
            return Value;
        }
        Status.ignore(1 << 16, '\n');
    }
    return 0;
}

void Measure(vesk::bench::PrivateCupsd &Cups, bool Notifications, int Printers, int Seconds)
{
    using namespace vesk;
    auto Spooler = std::make_shared<spooler::CupsSpooler>("127.0.0.1:" + std::to_string(Cups.Port));
    test::WindowThread Window;
    std::vector<std::unique_ptr<test::RunningMonitor>> Monitors;
    for (int I = 0; I < Printers; ++I)
        Monitors.push_back(std::make_unique<test::RunningMonitor>(
            Spooler, "q" + std::to_string(I), Notifications, Window.R, 5000, 100));
    std::this_thread::sleep_for(std::chrono::seconds(1)); // past the start-up reads
    const double Cpu0 = ProcessCpuSeconds(), Cupsd0 = Cups.CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(Seconds));
    const double Cpu = ProcessCpuSeconds() - Cpu0, Cupsd = Cups.CpuSeconds() - Cupsd0;
    std::printf("%-13s printers=%d idle=%ds  monitor CPU %.3f s (%.2f%% of a core)  cupsd CPU "
                "%.3f s  RSS %ld KiB\n",
                Notifications ? "notification" : "polling", Printers, Seconds, Cpu,
                100.0 * Cpu / Seconds, Cupsd, RssKiB());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication App(argc, argv);
    const int Seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const int Printers = 10;
    vesk::bench::PrivateCupsd Cups;
    for (int I = 0; I < Printers; ++I)
        Cups.AddQueue("q" + QString::number(I));
    Measure(Cups, true, Printers, Seconds);
    Measure(Cups, false, Printers, Seconds);
    return 0;
}
