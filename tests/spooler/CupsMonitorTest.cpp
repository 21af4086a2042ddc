// The monitor against a private cupsd on loopback: real jobs from lp, held jobs, a restart.
#include "CupsFixture.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

namespace vesk::test {
namespace {

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

// How each job ended, the pages CUPS counted, colour and sides, as the monitor hands them over.
// On the page-counting queue and on a driverless queue of CUPS's IPP Everywhere printer model
// (colour and two-sided), each as CUPS reports it.
TEST_F(cups_monitor, JobsCarryOutcomePagesColourAndSides)
{
    struct Expected
    {
        uint32_t totalPages, pagesPrinted;
        int16_t color, duplex;
    };
    namespace DevColor = spooler::DevColor;
    namespace DevDuplex = spooler::DevDuplex;
    const struct
    {
        const char *name;
        QStringList options;
        bool cancelHeld;
        JobOutcome outcome;
        Expected counter, everywhere;
    } cases[] = {
        // Without print-color-mode or sides: the queue's defaults (the counter monochrome, the
        // printer model colour; both one-sided).
        {"plain",
         {},
         false,
         JobOutcome::Printed,
         {3, 3, DevColor::Monochrome, DevDuplex::Simplex},
         {3, 3, DevColor::Color, DevDuplex::Simplex}},
        {"colour",
         {"-o", "print-color-mode=color"},
         false,
         JobOutcome::Printed,
         {3, 3, DevColor::Color, DevDuplex::Simplex},
         {3, 3, DevColor::Color, DevDuplex::Simplex}},
        // Two copies of three pages on both sides: the printer model counts each copy's blank
        // fourth side too.
        {"duplex",
         {"-o", "sides=two-sided-long-edge", "-n", "2"},
         false,
         JobOutcome::Printed,
         {6, 6, DevColor::Monochrome, DevDuplex::Vertical},
         {8, 8, DevColor::Color, DevDuplex::Vertical}},
        // Cancelled before a page came out: no page counts, not even the one a printed job
        // with an unknown count gets.
        {"cancelled",
         {"-H", "hold"},
         true,
         JobOutcome::Cancelled,
         {0, 0, DevColor::Monochrome, DevDuplex::Simplex},
         {0, 0, DevColor::Color, DevDuplex::Simplex}},
    };
    for (const bool Everywhere : {false, true}) {
        const std::string &Printer = Everywhere ? EverywhereQueue : Queue;
        SCOPED_TRACE(Printer);
        if (Everywhere && !EverywhereMissing.empty()) {
            ADD_FAILURE() << EverywhereMissing;
            continue;
        }
        WindowThread W;
        RunningMonitor M(Spooler, Printer, true, W.R, QuietMs);
        ASSERT_TRUE(M.Opened);
        std::vector<uint32_t> Ids;
        for (const auto &c : cases) {
            Ids.push_back(
                Submit(QStringList{"-t", c.name} + c.options + QStringList{Pdf}, Printer));
            if (c.cancelHeld) {
                ASSERT_EQ(Run("cancel", {QString::number(Ids.back())}).Exit, 0);
            }
        }
        ASSERT_TRUE(W.R->WaitFor(
            [&](auto &H, auto &) {
                return std::all_of(Ids.begin(), Ids.end(), [&](uint32_t Id) { return Has(H, Id); });
            },
            180));
        for (size_t i = 0; i < std::size(cases); ++i) {
            const auto &c = cases[i];
            const Expected &e = Everywhere ? c.everywhere : c.counter;
            SCOPED_TRACE(c.name);
            for (const auto &H : W.R->HandedJobs()) {
                if (H.Job.JobId != Ids[i])
                    continue;
                EXPECT_EQ(JobOutcomeOf(H.Job), c.outcome);
                EXPECT_EQ(H.Job.TotalPages, e.totalPages);
                EXPECT_EQ(H.Job.PagesPrinted, e.pagesPrinted);
                EXPECT_EQ(H.Job.Color, e.color);
                EXPECT_EQ(H.Job.Duplex, e.duplex);
            }
        }
    }
}

TEST_F(cups_monitor, PollingPathHandsOverTheJobThatLeft)
{
    // The polling path follows only jobs it has listed: release the job once it has been seen,
    // or a fast queue prints it before the first listing and nothing is ever handed over.
    const auto Spy = std::make_shared<ListingSpy>(Spooler);
    RunningMonitor M(Spy, Queue, false, Window.R, QuietMs, 20);
    ASSERT_TRUE(M.Opened);
    const uint32_t Held = Submit({"-t", "Polled", "-U", "dave", "-H", "hold", Pdf});
    ASSERT_TRUE(Spy->WaitListed(Held));
    ASSERT_EQ(Run("lp", {"-i", QString::number(Held), "-H", "resume"}).Exit, 0);
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, Held); }));
    const Handed H = Window.R->HandedJobs().front();
    EXPECT_EQ(H.Job.Document, "Polled");
    EXPECT_EQ(H.Job.UserName, "dave");
    EXPECT_EQ(H.PrinterName, Queue);
}

TEST_F(cups_monitor, PrinterNamedInOtherLetterCaseHandsOverItsJobs)
{
    // CUPS opens "counter" as the queue "Counter"; its events must still reach the monitor.
    std::string Lower = Queue;
    std::transform(Lower.begin(), Lower.end(), Lower.begin(), ::tolower);
    RunningMonitor M(Spooler, Lower, true, Window.R, QuietMs);
    ASSERT_TRUE(M.Opened);
    const uint32_t Id = Submit({"-t", "Lower", Pdf});
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, Id); }, 20));
    EXPECT_EQ(Window.R->HandedJobs().front().PrinterName, Lower);
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

namespace vesk::test {

// CUPS numbers a class's job once and reports it to the class and to the member that prints it:
// it is handed over once however many monitored queues it passed through, under the member that
// printed it when that member is monitored, else under the class.
TEST_F(cups_monitor, AClassJobIsHandedOverOnceUnderTheMemberThatPrintedIt)
{
    static const bool Made = [] {
        bool Ok = true;
        for (const char *P : {"cp1", "cp2"})
            Ok = Ok &&
                 Run("lpadmin", {"-p", P, "-E", "-v", "file:///dev/null", "-m", "raw"}).Exit == 0 &&
                 Run("lpadmin", {"-p", P, "-c", "ccls"}).Exit == 0;
        return Ok && Run("cupsenable", {"ccls"}).Exit == 0 && Run("cupsaccept", {"ccls"}).Exit == 0;
    }();
    ASSERT_TRUE(Made);
    // The member CUPS says printed a job: its job-printer-uri-actual.
    const auto PrintedOn = [](uint32_t Id) {
        http_t *Http = httpConnect2("127.0.0.1", Port, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1,
                                    30000, nullptr);
        ipp_t *Request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
        const std::string Uri = "ipp://127.0.0.1:" + std::to_string(Port) + "/jobs/";
        ippAddString(Request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr,
                     (Uri + std::to_string(Id)).c_str());
        ippAddString(Request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                     "job-printer-uri-actual");
        ipp_t *Answer = cupsDoRequest(Http, Request, "/");
        ipp_attribute_t *Actual = ippFindAttribute(Answer, "job-printer-uri-actual", IPP_TAG_URI);
        const std::string Printer = Actual ? ippGetString(Actual, 0, nullptr) : "";
        ippDelete(Answer);
        httpClose(Http);
        return Printer.substr(Printer.rfind('/') + 1);
    };
    const auto Print = [](const char *Dest) {
        const auto R = Run("lp", {"-d", Dest, "-t", "pooled", Pdf});
        return QRegularExpression("request id is \\S+-(\\d+)").match(R.Out).captured(1).toUInt();
    };
    const struct
    {
        const char *what;
        std::vector<std::string> watched;
    } cases[] = {
        {"class only", {"ccls"}},
        {"members only", {"cp1", "cp2"}},
        {"class and members", {"ccls", "cp1", "cp2"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        WindowThread W;
        std::vector<std::unique_ptr<RunningMonitor>> Monitors;
        for (const auto &P : c.watched) {
            Monitors.push_back(std::make_unique<RunningMonitor>(Spooler, P, true, W.R, QuietMs));
            ASSERT_TRUE(Monitors.back()->Opened);
        }
        const auto Watched = [&](const std::string &P) {
            return std::find(c.watched.begin(), c.watched.end(), P) != c.watched.end();
        };
        std::vector<uint32_t> Pooled{Print("ccls"), Print("ccls"), Print("ccls")};
        const uint32_t Direct = Print("cp2");
        // The direct job, then a later one on every watched queue: the sweeps went by.
        std::vector<uint32_t> Last;
        for (const auto &P : c.watched)
            Last.push_back(Print(P.c_str()));
        ASSERT_TRUE(W.R->WaitFor([&](auto &H, auto &) {
            return std::all_of(Last.begin(), Last.end(), [&](uint32_t Id) { return Has(H, Id); }) &&
                   std::all_of(Pooled.begin(), Pooled.end(),
                               [&](uint32_t Id) { return Has(H, Id); });
        }));
        Monitors.clear();
        for (uint32_t Id : Pooled) {
            std::vector<std::string> Under;
            for (const auto &H : W.R->HandedJobs())
                if (H.Job.JobId == Id)
                    Under.push_back(H.Job.PrinterName.value_or(H.PrinterName));
            ASSERT_EQ(Under.size(), 1u) << Id;
            const std::string Member = PrintedOn(Id);
            ASSERT_TRUE(Member == "cp1" || Member == "cp2") << Id << " " << Member;
            EXPECT_EQ(Under[0], Watched(Member) ? Member : "ccls") << Id;
        }
        EXPECT_EQ(Has(W.R->HandedJobs(), Direct), Watched("cp2"));
    }
}

} // namespace vesk::test
