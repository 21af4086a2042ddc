// Hand-over latency on real CUPS: from the moment a job leaves the queue to its hand-over.
#include "BenchCups.h"
#include "CupsSpooler.h"
#include "MonitorHarness.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cups/cups.h>

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

using Clock = std::chrono::steady_clock;

// Watches the job with its own connection every 5 ms; the moment it is no longer pending,
// held or processing.
Clock::time_point LeftQueue(int Port, int JobId)
{
    http_t *H =
        httpConnect2("127.0.0.1", Port, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
    char Uri[256];
    std::snprintf(Uri, sizeof(Uri), "ipp://localhost/jobs/%d", JobId);
    for (;;) {
        ipp_t *Req = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
        ippAddString(Req, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, Uri);
        ipp_t *Resp = cupsDoRequest(H, Req, "/");
        const auto Now = Clock::now();
        ipp_attribute_t *State = ippFindAttribute(Resp, "job-state", IPP_TAG_ENUM);
        const int S = State != nullptr ? ippGetInteger(State, 0) : 0;
        ippDelete(Resp);
        if (S >= IPP_JSTATE_CANCELED) {
            httpClose(H);
            return Now;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Jobs submitted every PaceMs without waiting, so notifications never pause for a quiet period:
// the time from each submission to its hand-over, and how many were handed over while the
// stream still ran.
int Stream(vesk::bench::PrivateCupsd &Cups, const QString &Pdf, vesk::test::WindowThread &Window,
           int Jobs, int PaceMs)
{
    std::map<uint32_t, Clock::time_point> Submitted, HandedAt;
    const auto Collect = [&] {
        for (const auto &H : Window.R->HandedJobs())
            HandedAt.emplace(H.Job.JobId, Clock::now());
    };
    const auto Start = Clock::now();
    for (int I = 0; I < Jobs; ++I) {
        const QString Out = vesk::bench::Run("lp", {"-d", "lat", Pdf}, Cups.Port);
        Submitted[QRegularExpression("-(\\d+) ").match(Out).captured(1).toUInt()] = Clock::now();
        const auto Next = Start + std::chrono::milliseconds(PaceMs) * (I + 1);
        while (Clock::now() < Next) {
            Collect();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    const size_t DuringStream = HandedAt.size();
    while (HandedAt.size() < Submitted.size()) {
        Collect();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::vector<double> Latencies;
    for (const auto &[Id, At] : Submitted)
        Latencies.push_back(std::chrono::duration<double, std::milli>(HandedAt[Id] - At).count());
    std::sort(Latencies.begin(), Latencies.end());
    std::printf("stream of %d jobs, one every %d ms: %zu handed over while it ran; submission to "
                "hand-over min %.0f ms, median %.0f ms, max %.0f ms (quiet period 5000 ms)\n",
                Jobs, PaceMs, DuringStream, Latencies.front(), Latencies[Latencies.size() / 2],
                Latencies.back());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    using namespace vesk;
    QCoreApplication App(argc, argv);
    const int Jobs = argc > 1 ? std::atoi(argv[1]) : 5;
    bench::PrivateCupsd Cups;
    Cups.AddQueue("lat");
    QFile Pdf(Cups.Path("one.pdf"));
    Pdf.open(QIODevice::WriteOnly);
    Pdf.write("%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n2 0 obj\n<< /Type "
              "/Pages /Kids [3 0 R] /Count 1 >>\nendobj\n3 0 obj\n<< /Type /Page /Parent 2 0 R "
              "/MediaBox [0 0 595 842] >>\nendobj\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n");
    Pdf.close();

    auto Spooler = std::make_shared<spooler::CupsSpooler>("127.0.0.1:" + std::to_string(Cups.Port));
    test::WindowThread Window;
    test::RunningMonitor Monitor(Spooler, "lat", true, Window.R, 5000);
    if (argc > 2 && std::string(argv[2]) == "--stream")
        return Stream(Cups, Pdf.fileName(), Window, Jobs, argc > 3 ? std::atoi(argv[3]) : 1000);
    std::vector<double> Latencies;
    for (int I = 0; I < Jobs; ++I) {
        const QString Out = bench::Run("lp", {"-d", "lat", Pdf.fileName()}, Cups.Port);
        const int Id = QRegularExpression("-(\\d+) ").match(Out).captured(1).toInt();
        const auto Left = LeftQueue(Cups.Port, Id);
        Window.R->WaitFor([&](auto &H, auto &) { return static_cast<int>(H.size()) == I + 1; });
        const double Ms = std::chrono::duration<double, std::milli>(Clock::now() - Left).count();
        Latencies.push_back(Ms);
        std::printf("job %d: handed over %.0f ms after it left the queue\n", Id, Ms);
        std::fflush(stdout);
    }
    std::sort(Latencies.begin(), Latencies.end());
    std::printf("min %.0f ms, median %.0f ms, max %.0f ms (quiet period 5000 ms)\n",
                Latencies.front(), Latencies[Latencies.size() / 2], Latencies.back());
    return 0;
}
