// The process's CUPS subscription against a private cupsd: renewed leases, one cancelled from
// outside, and a job printed while none existed.
#include "CupsFixture.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

namespace vesk::test {
namespace {

// The same private cupsd and queue; the suite's own name sets the subscription tests apart.
using cups_subscription = cups_monitor;

struct SubscriptionRow
{
    int Id = 0;
    int LeaseSeconds = -1;
};

// The test's own IPP requests, on a connection of its own.
class IppClient
{
public:
    explicit IppClient(int Port)
        : FHttp(httpConnect2("127.0.0.1", Port, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 5000,
                             nullptr))
    {}
    ~IppClient() { httpClose(FHttp); }
    IppClient(const IppClient &) = delete;
    IppClient &operator=(const IppClient &) = delete;

    // Every subscription the server holds (not found = none).
    std::vector<SubscriptionRow> Subscriptions()
    {
        static const char *const Names[] = {"notify-subscription-id", "notify-lease-duration"};
        ipp_t *Req = Request(IPP_OP_GET_SUBSCRIPTIONS);
        ippAddBoolean(Req, IPP_TAG_OPERATION, "my-subscriptions", 0);
        ippAddStrings(Req, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr,
                      Names);
        ipp_t *Res = cupsDoRequest(FHttp, Req, "/");
        std::vector<SubscriptionRow> Rows;
        EXPECT_NE(Res, nullptr) << cupsLastErrorString();
        // One group per subscription, its attributes in any order, groups apart by separators.
        bool NewGroup = true;
        for (ipp_attribute_t *A = ippFirstAttribute(Res); A != nullptr; A = ippNextAttribute(Res)) {
            const char *Name = ippGetName(A);
            if (Name == nullptr || ippGetGroupTag(A) != IPP_TAG_SUBSCRIPTION) {
                NewGroup = true;
                continue;
            }
            if (NewGroup)
                Rows.emplace_back();
            NewGroup = false;
            if (std::string(Name) == "notify-subscription-id")
                Rows.back().Id = ippGetInteger(A, 0);
            else if (std::string(Name) == "notify-lease-duration")
                Rows.back().LeaseSeconds = ippGetInteger(A, 0);
        }
        ippDelete(Res);
        return Rows;
    }

    // The job's IPP state, 0 when it cannot be read.
    int JobState(uint32_t Id)
    {
        static const char *const Names[] = {"job-state"};
        ipp_t *Req = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
        const std::string Uri = "ipp://localhost/jobs/" + std::to_string(Id);
        ippAddString(Req, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, Uri.c_str());
        ippAddString(Req, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                     cupsUser());
        ippAddStrings(Req, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 1, nullptr,
                      Names);
        ipp_t *Res = cupsDoRequest(FHttp, Req, "/");
        ipp_attribute_t *A = ippFindAttribute(Res, "job-state", IPP_TAG_ENUM);
        const int State = A != nullptr ? ippGetInteger(A, 0) : 0;
        ippDelete(Res);
        return State;
    }

    bool Cancel(int Id)
    {
        ipp_t *Req = Request(IPP_OP_CANCEL_SUBSCRIPTION);
        ippAddInteger(Req, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id", Id);
        ippDelete(cupsDoRequest(FHttp, Req, "/"));
        return cupsLastError() == IPP_STATUS_OK;
    }

    // A subscription of the test's own to an event that never comes; its id, 0 when refused.
    int Subscribe()
    {
        ipp_t *Req = Request(IPP_OP_CREATE_PRINTER_SUBSCRIPTIONS);
        ippAddString(Req, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-pull-method", nullptr,
                     "ippget");
        ippAddString(Req, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-events", nullptr,
                     "printer-deleted");
        ippAddInteger(Req, IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration", 600);
        ipp_t *Res = cupsDoRequest(FHttp, Req, "/");
        ipp_attribute_t *A = ippFindAttribute(Res, "notify-subscription-id", IPP_TAG_INTEGER);
        const int Id = A != nullptr ? ippGetInteger(A, 0) : 0;
        ippDelete(Res);
        return Id;
    }

private:
    static ipp_t *Request(ipp_op_t Op)
    {
        ipp_t *R = ippNewRequest(Op);
        ippAddString(R, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
        ippAddString(R, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                     cupsUser());
        return R;
    }

    http_t *FHttp;
};

// A time without the process's subscription, as long as the test needs it: the poller's
// subscription is cancelled and every place the scheduler has for one (MaxSubscriptions) is
// taken by the test's own, so each re-subscription the poller tries is refused until Close.
class SubscriptionGap
{
public:
    explicit SubscriptionGap(IppClient &Ipp) : FIpp(Ipp) {}
    ~SubscriptionGap() { Close(); }

    // False when the gap could not be made.
    bool Open()
    {
        for (int I = 0; I < 5000; ++I) {
            const int Id = FIpp.Subscribe();
            if (Id == 0)
                break;
            FMine.insert(Id);
        }
        // The poller's place goes to one more of ours; should the poller take it back first,
        // its new subscription is cancelled in turn.
        for (int Try = 0; Try < 100; ++Try) {
            for (const SubscriptionRow &Row : FIpp.Subscriptions()) {
                if (FMine.count(Row.Id) == 0)
                    FIpp.Cancel(Row.Id);
            }
            if (const int Id = FIpp.Subscribe()) {
                FMine.insert(Id);
                return Others() == 0;
            }
        }
        return false;
    }
    // Subscriptions that are not the test's: the poller's, once it has subscribed again.
    int Others()
    {
        int Count = 0;
        for (const SubscriptionRow &Row : FIpp.Subscriptions())
            Count += FMine.count(Row.Id) == 0 ? 1 : 0;
        return Count;
    }
    void Close()
    {
        for (const int Id : FMine)
            FIpp.Cancel(Id);
        FMine.clear();
    }

private:
    IppClient &FIpp;
    std::set<int> FMine;
};

// A second listener of the process's subscription that only the test reads: a discard stays
// flagged on it until FindNext takes it.
struct Listener
{
    explicit Listener(spooler::Spooler &S)
    {
        Printer = S.OpenPrinter(Queue, nullptr);
        if (Printer)
            Change = Printer->FindFirstChangeNotification(std::nullopt);
    }
    // Reads until a read reports discarded information, or nothing more comes.
    bool SawDiscard(int Seconds = 30)
    {
        const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(Seconds);
        while (std::chrono::steady_clock::now() < End) {
            if (!Change->Event()->wait(500))
                continue;
            spooler::NotifyInfo Info;
            if (Change->FindNext(Info) && (Info.Flags & spooler::Notify::InfoDiscarded))
                return true;
        }
        return false;
    }
    bool DiscardPending()
    {
        spooler::NotifyInfo Info;
        EXPECT_TRUE(Change->FindNext(Info));
        return (Info.Flags & spooler::Notify::InfoDiscarded) != 0;
    }
    std::unique_ptr<spooler::PrinterHandle> Printer;
    std::unique_ptr<spooler::ChangeNotification> Change;
};

TEST_F(cups_subscription, AShortLeaseIsRenewedWhileJobsKeepComingForSeveralLeases)
{
    // Renewed every half second; without renewals CUPS drops the subscription within 6 s and
    // the process has to subscribe afresh, which shows as a new id and a discard. The margin
    // leaves a renewal 4.5 s to get through on a loaded machine.
    spooler::SubscriptionLease Lease;
    Lease.Seconds = 5;
    Lease.RenewMargin = std::chrono::milliseconds(4500);
    auto Short = std::make_shared<spooler::CupsSpooler>(Address(), Lease);
    Listener Probe(*Short);
    ASSERT_NE(Probe.Change, nullptr);
    IppClient Ipp(Port);
    const auto First = Ipp.Subscriptions();
    ASSERT_EQ(First.size(), 1u);
    EXPECT_EQ(First[0].LeaseSeconds, Lease.Seconds);

    RunningMonitor M(Short, Queue, true, Window.R, QuietMs);
    ASSERT_TRUE(M.Opened);
    std::vector<uint32_t> Jobs;
    const auto Start = std::chrono::steady_clock::now();
    // One job per lease, for three leases.
    for (int Lap = 1; Lap <= 3; ++Lap) {
        const uint32_t Id = Submit({"-t", "Lap " + QString::number(Lap), Pdf});
        Jobs.push_back(Id);
        ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, Id); }));
        std::this_thread::sleep_until(Start + Lap * std::chrono::seconds(Lease.Seconds));
    }
    EXPECT_EQ(HandedIds(Window.R), Jobs);
    const auto Last = Ipp.Subscriptions();
    ASSERT_EQ(Last.size(), 1u);
    EXPECT_EQ(Last[0].Id, First[0].Id);
    EXPECT_FALSE(Probe.DiscardPending());
    EXPECT_TRUE(Window.R->Lines().isEmpty());
}

TEST_F(cups_subscription, ACancelledSubscriptionIsReportedReplacedAndLaterJobsHandedOverOnce)
{
    Listener Probe(*Spooler);
    ASSERT_NE(Probe.Change, nullptr);
    RunningMonitor M(Spooler, Queue, true, Window.R, QuietMs);
    ASSERT_TRUE(M.Opened);
    const uint32_t Before = Submit({"-t", "Before", Pdf});
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, Before); }));
    EXPECT_FALSE(Probe.DiscardPending());

    // As an administrator's cancel or a scheduler that forgot the subscription would.
    IppClient Ipp(Port);
    const auto Old = Ipp.Subscriptions();
    ASSERT_EQ(Old.size(), 1u);
    ASSERT_TRUE(Ipp.Cancel(Old[0].Id)) << cupsLastErrorString();
    ASSERT_TRUE(Probe.SawDiscard());
    const auto New = Ipp.Subscriptions();
    ASSERT_EQ(New.size(), 1u);
    EXPECT_NE(New[0].Id, Old[0].Id);

    const uint32_t After = Submit({"-t", "After", Pdf});
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, After); }));
    // A later job proves more sweeps went by: nothing may come twice.
    const uint32_t Marker = Submit({"-t", "Marker", Pdf});
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, Marker); }));
    EXPECT_EQ(HandedIds(Window.R), (std::vector<uint32_t>{Before, After, Marker}));
    EXPECT_TRUE(Window.R->Lines().isEmpty());
}

TEST_F(cups_subscription, AJobPrintedWhileNoSubscriptionExistedIsHandedOverOnce)
{
    // The job is created and completed while the process has no subscription: no event tells
    // of it, only the re-read after the new subscription.
    Listener Probe(*Spooler);
    ASSERT_NE(Probe.Change, nullptr);
    RunningMonitor M(Spooler, Queue, true, Window.R, QuietMs);
    ASSERT_TRUE(M.Opened);
    const uint32_t Before = Submit({"-t", "Before", Pdf});
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, Before); }));

    IppClient Ipp(Port);
    ASSERT_EQ(Ipp.Subscriptions().size(), 1u);
    SubscriptionGap NoSubscription(Ipp);
    ASSERT_TRUE(NoSubscription.Open());
    const uint32_t Gap = Submit({"-t", "Gap", Pdf});
    for (int I = 0; I < 1200 && Ipp.JobState(Gap) < IPP_JSTATE_CANCELED; ++I)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(Ipp.JobState(Gap), IPP_JSTATE_COMPLETED);
    ASSERT_EQ(NoSubscription.Others(), 0);
    NoSubscription.Close();
    ASSERT_TRUE(Probe.SawDiscard(60));

    const uint32_t After = Submit({"-t", "After", Pdf});
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, After); }));
    // A later job proves more sweeps went by: nothing may come twice.
    const uint32_t Marker = Submit({"-t", "Marker", Pdf});
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, Marker); }));
    EXPECT_EQ(HandedIds(Window.R), (std::vector<uint32_t>{Before, Gap, After, Marker}));
    for (const auto &H : Window.R->HandedJobs())
        if (H.Job.JobId == Gap) {
            EXPECT_EQ(H.Job.Document, "Gap");
            EXPECT_EQ(H.Job.TotalPages, 3u); // its final values, counted by the filters
        }
    EXPECT_TRUE(Window.R->Lines().isEmpty());
}

TEST_F(cups_subscription, AHeldJobReleasedWhileNoSubscriptionExistedIsHandedOverWithItsFinalPages)
{
    // The monitor already tracks the held job with no pages counted; it is released and printed
    // while the poller has no subscription, so no event says it left the queue.
    auto Spy = std::make_shared<ListingSpy>(Spooler);
    Listener Probe(*Spy);
    ASSERT_NE(Probe.Change, nullptr);
    RunningMonitor M(Spy, Queue, true, Window.R, QuietMs);
    ASSERT_TRUE(M.Opened);
    const uint32_t Held = Submit({"-t", "Held", "-H", "hold", Pdf});
    ASSERT_TRUE(Spy->WaitListed(Held));

    IppClient Ipp(Port);
    ASSERT_EQ(Ipp.Subscriptions().size(), 1u);
    SubscriptionGap NoSubscription(Ipp);
    ASSERT_TRUE(NoSubscription.Open());
    ASSERT_EQ(Run("lp", {"-i", QString::number(Held), "-H", "resume"}).Exit, 0);
    for (int I = 0; I < 1200 && Ipp.JobState(Held) < IPP_JSTATE_CANCELED; ++I)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(Ipp.JobState(Held), IPP_JSTATE_COMPLETED);
    ASSERT_EQ(NoSubscription.Others(), 0);
    NoSubscription.Close();
    ASSERT_TRUE(Probe.SawDiscard(60));

    // A later job proves more sweeps went by: nothing may come twice.
    const uint32_t Marker = Submit({"-t", "Marker", Pdf});
    ASSERT_TRUE(Window.R->WaitFor([&](auto &H, auto &) { return Has(H, Marker); }));
    EXPECT_EQ(HandedIds(Window.R), (std::vector<uint32_t>{Held, Marker}));
    for (const auto &H : Window.R->HandedJobs())
        EXPECT_EQ(H.Job.TotalPages, 3u) << H.Job.JobId; // final values, counted by the filters
    EXPECT_TRUE(Window.R->Lines().isEmpty());
}

} // namespace
} // namespace vesk::test
