// The printer job monitor on the scripted spooler: both paths, sweeps, discards, stop and failures.
#include "MemorySpooler.h"
#include "MonitorHarness.h"
#include "Skip.h"

#include <QCoreApplication>
#include <QEvent>

#include <gtest/gtest.h>

#include <future>

namespace vesk::test {
namespace {

using spooler::JobEntry;
using spooler::MemorySpooler;

const std::string Laser = "Laser";

JobEntry Job(uint32_t Id, uint32_t Pages = 2)
{
    JobEntry J;
    J.JobId = Id;
    J.Document = "doc" + std::to_string(Id);
    J.UserName = "bob";
    J.MachineName = "\\\\pc" + std::to_string(Id);
    J.TotalPages = Pages;
    J.Size = 1000 * Id;
    J.Devmode = spooler::DevMode{"A4"};
    return J;
}

std::vector<uint32_t> Ids(const std::vector<Handed> &H)
{
    std::vector<uint32_t> Out;
    for (const auto &X : H)
        Out.push_back(X.Job.JobId);
    return Out;
}

class monitor_memory : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Spooler = std::make_shared<MemorySpooler>();
        Spooler->AddPrinter(Laser);
    }
    // Waits until the monitor has read every change scripted so far.
    void Settle()
    {
        ASSERT_TRUE(Eventually([&] { return Spooler->Settled(Laser); }));
    }
    // Waits for Count more listing attempts (sweeps or polls).
    void Listings(int Count)
    {
        const int Seen = Spooler->GetPrinterCalls(Laser);
        ASSERT_TRUE(Eventually([&] { return Spooler->GetPrinterCalls(Laser) >= Seen + Count; }));
    }
    std::shared_ptr<MemorySpooler> Spooler;
    WindowThread Window;
};

TEST_F(monitor_memory, HandsOverOnlyAfterTheQueueWasQuiet)
{
    // A machine too slow to look within the quiet period checks nothing: then again with a longer
    // one, on a new queue and window.
    for (const int QuietMs : {2000, 8000, 30000}) {
        SCOPED_TRACE(QuietMs);
        const auto Quiet = std::chrono::milliseconds(QuietMs);
        Spooler = std::make_shared<MemorySpooler>();
        Spooler->AddPrinter(Laser);
        WindowThread W;
        RunningMonitor M(Spooler, Laser, true, W.R, QuietMs);
        Settle();
        ASSERT_TRUE(M.Opened);
        // No sweep is due before the quiet period after the first notification the monitor
        // reads, and that read comes after this moment.
        const auto Begin = std::chrono::steady_clock::now();
        Spooler->AddJob(Laser, Job(1, 0));
        JobEntry Final = Job(1, 7);
        Spooler->CompleteJob(Laser, Final);
        // Notifications keep coming, each read by the monitor: nothing may leave within the
        // quiet period. What is seen after it (a slow machine) asserts nothing.
        int Checked = 0;
        for (int I = 0; I < 20; ++I) {
            Spooler->Touch(Laser);
            Settle();
            const bool Handed = !W.R->HandedJobs().empty();
            if (std::chrono::steady_clock::now() - Begin < Quiet) {
                EXPECT_FALSE(Handed) << "touch " << I;
                ++Checked;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (Checked == 0)
            continue;
        ASSERT_TRUE(W.R->WaitFor([](auto &H, auto &) { return H.size() == 1; }));
        const Handed H = W.R->HandedJobs().front();
        EXPECT_EQ(H.PrinterName, Laser);
        EXPECT_EQ(H.Count, 1);
        EXPECT_TRUE(H.OnWindowThread);
        EXPECT_EQ(H.Job.JobId, 1u);
        EXPECT_EQ(H.Job.TotalPages, 7u); // the final count, not the one seen while queued
        EXPECT_EQ(H.Job.Document, "doc1");
        EXPECT_EQ(H.Job.MachineName, "\\\\pc1");
        EXPECT_EQ(H.Job.TotalBytes, 1000u);
        EXPECT_EQ(H.Job.PaperSize, 9);
        return;
    }
    VESK_SKIP() << "the machine was too slow to look within a quiet period of 30 s";
}

TEST_F(monitor_memory, ASteadyStreamOfNotificationsStillSweepsOnceAQuietPeriod)
{
    RunningMonitor M(Spooler, Laser, true, Window.R, 300);
    Settle();
    Spooler->AddJob(Laser, Job(1));
    Spooler->CompleteJob(Laser, Job(1));
    // Notifications never pause for a quiet period; the job must not wait for them to stop.
    bool HandedDuringStream = false;
    for (int I = 0; I < 400 && !HandedDuringStream; ++I) {
        Spooler->Touch(Laser);
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        HandedDuringStream = !Window.R->HandedJobs().empty();
    }
    EXPECT_TRUE(HandedDuringStream);
}

TEST_F(monitor_memory, JobsLeavingBetweenSweepsComeOneEachInFirstSightOrder)
{
    RunningMonitor M(Spooler, Laser, true, Window.R, 300);
    Settle();
    Spooler->AddJob(Laser, Job(30));
    Settle();
    Spooler->AddJob(Laser, Job(10));
    Spooler->AddJob(Laser, Job(20));
    Settle();
    // Leave in another order, all before the next sweep.
    Spooler->CompleteJob(Laser, Job(20));
    Spooler->CompleteJob(Laser, Job(10));
    Spooler->CompleteJob(Laser, Job(30));
    ASSERT_TRUE(Window.R->WaitFor([](auto &H, auto &) { return H.size() == 3; }));
    const auto H = Window.R->HandedJobs();
    EXPECT_EQ(Ids(H), (std::vector<uint32_t>{30, 10, 20}));
    for (const auto &X : H)
        EXPECT_EQ(X.Count, 1);
}

TEST_F(monitor_memory, JobQueuedBehindOthersIsNeverHandedEarly)
{
    RunningMonitor M(Spooler, Laser, true, Window.R, 200);
    Settle();
    for (uint32_t Id : {1u, 2u, 3u})
        Spooler->AddJob(Laser, Job(Id));
    Settle();
    Spooler->CompleteJob(Laser, Job(1));
    ASSERT_TRUE(Window.R->WaitFor([](auto &H, auto &) { return H.size() == 1; }));
    // Several more sweeps with jobs 2 and 3 still queued.
    Listings(3);
    EXPECT_EQ(Ids(Window.R->HandedJobs()), (std::vector<uint32_t>{1}));
    Spooler->CompleteJob(Laser, Job(3));
    Spooler->CompleteJob(Laser, Job(2));
    ASSERT_TRUE(Window.R->WaitFor([](auto &H, auto &) { return H.size() == 3; }));
    EXPECT_EQ(Ids(Window.R->HandedJobs()), (std::vector<uint32_t>{1, 2, 3}));
}

TEST_F(monitor_memory, AJobsEndReadAfterTheSweepHandedItOverIsNotHandedAgain)
{
    // CUPS under load: the sweep's listing no longer shows the job before the read that brings
    // its final values, so the sweep hands it over first and that read reports it once more.
    RunningMonitor M(Spooler, Laser, true, Window.R, 200);
    Settle();
    Spooler->AddJob(Laser, Job(1));
    Settle();
    Spooler->RemoveJobSilently(Laser, 1);
    ASSERT_TRUE(Window.R->WaitFor([](auto &H, auto &) { return H.size() == 1; }));
    Spooler->CompleteJob(Laser, Job(1, 5));
    Settle();
    // A later job proves the late report was read and swept.
    Spooler->AddJob(Laser, Job(2));
    Spooler->CompleteJob(Laser, Job(2));
    ASSERT_TRUE(Window.R->WaitFor([](auto &H, auto &) { return Ids(H).back() == 2; }));
    EXPECT_EQ(Ids(Window.R->HandedJobs()), (std::vector<uint32_t>{1, 2}));
}

TEST_F(monitor_memory, AJobTheSweepMissesBeforeItsEndIsReadIsHandedOverWithItsFinalValues)
{
    // The job left the queue and its event is still on its way when the sweep lists the queue.
    RunningMonitor M(Spooler, Laser, true, Window.R, 200);
    Settle();
    Spooler->AddJob(Laser, Job(1));
    Settle();
    Spooler->CompleteJob(Laser, Job(1, 5), false);
    ASSERT_TRUE(Window.R->WaitFor([](auto &H, auto &) { return H.size() == 1; }));
    EXPECT_EQ(Window.R->HandedJobs()[0].Job.TotalPages, 5u);
}

TEST_F(monitor_memory, FailedListingAtASweepHandsNothingOver)
{
    RunningMonitor M(Spooler, Laser, true, Window.R, 200);
    Settle();
    Spooler->AddJob(Laser, Job(4));
    Settle();
    Spooler->FailListing(Laser, true);
    Listings(3);
    EXPECT_TRUE(Window.R->HandedJobs().empty());
    Spooler->FailListing(Laser, false);
    Spooler->CompleteJob(Laser, Job(4));
    ASSERT_TRUE(Window.R->WaitFor([](auto &H, auto &) { return H.size() == 1; }));
}

TEST_F(monitor_memory, ZeroPagesBecomeOneOnNotificationsAndStayZeroWhenPolling)
{
    {
        RunningMonitor M(Spooler, Laser, true, Window.R, 200);
        Settle();
        Spooler->AddJob(Laser, Job(5, 0));
        Settle();
        Spooler->CompleteJob(Laser, Job(5, 0));
        ASSERT_TRUE(Window.R->WaitFor([](auto &H, auto &) { return H.size() == 1; }));
        EXPECT_EQ(Window.R->HandedJobs()[0].Job.TotalPages, 1u);
    }
    {
        RunningMonitor M(Spooler, Laser, false, Window.R, 200);
        Spooler->AddJob(Laser, Job(6, 0));
        ASSERT_TRUE(Eventually([&] { return Spooler->EnumJobsCalls(Laser) >= 3; }));
        Spooler->RemoveJobSilently(Laser, 6);
        ASSERT_TRUE(Window.R->WaitFor([](auto &H, auto &) { return H.size() == 2; }));
        EXPECT_EQ(Window.R->HandedJobs()[1].Job.JobId, 6u);
        EXPECT_EQ(Window.R->HandedJobs()[1].Job.TotalPages, 0u);
    }
}

TEST_F(monitor_memory, DiscardedInformationGivesOneRefreshAndOneListing)
{
    RunningMonitor M(Spooler, Laser, true, Window.R, 60000);
    Settle();
    ASSERT_TRUE(Eventually([&] { return Spooler->FindNextCalls(Laser) == 1; }));
    const int Listings = Spooler->EnumJobsCalls(Laser);
    Spooler->Discard(Laser);
    ASSERT_TRUE(Eventually([&] { return Spooler->EnumJobsCalls(Laser) == Listings + 1; }));
    EXPECT_EQ(Spooler->FindNextCalls(Laser), 3); // the first read, the discarded one, the refresh
    EXPECT_TRUE(Window.R->Lines().isEmpty());
}

TEST_F(monitor_memory, FailedRefreshIsLoggedAndTheQueueStillListed)
{
    RunningMonitor M(Spooler, Laser, true, Window.R, 300);
    Settle();
    Spooler->AddJob(Laser, Job(8));
    Settle();
    // The job leaves while the notification that said so is lost.
    Spooler->RemoveJobSilently(Laser, 8);
    Spooler->FailRefreshAfterDiscard(Laser, 1722);
    const int Listings = Spooler->EnumJobsCalls(Laser);
    Spooler->Discard(Laser);
    ASSERT_TRUE(Window.R->WaitFor([](auto &, auto &L) { return !L.isEmpty(); }));
    EXPECT_EQ(Window.R->Lines().front(),
              QStringLiteral("1722FindNextPrinterChangeNotification refresh call."));
    EXPECT_TRUE(Eventually([&] { return Spooler->EnumJobsCalls(Laser) >= Listings + 1; }));
    ASSERT_TRUE(Window.R->WaitFor([](auto &H, auto &) { return H.size() == 1; }));
    EXPECT_EQ(Window.R->HandedJobs()[0].Job.JobId, 8u);
}

TEST_F(monitor_memory, PollingHandsTheFirstJobOverOnceWhenItChanges)
{
    RunningMonitor M(Spooler, Laser, false, Window.R, 0, 10);
    Spooler->AddJob(Laser, Job(11, 0));
    ASSERT_TRUE(Eventually([&] { return Spooler->EnumJobsCalls(Laser) >= 3; }));
    Spooler->UpdateJob(Laser, Job(11, 4)); // counters move while it prints
    Spooler->AddJob(Laser, Job(12, 1));
    int Seen = Spooler->EnumJobsCalls(Laser);
    ASSERT_TRUE(Eventually([&] { return Spooler->EnumJobsCalls(Laser) >= Seen + 3; }));
    Spooler->RemoveJobSilently(Laser, 11);
    ASSERT_TRUE(Window.R->WaitFor([](auto &H, auto &) { return H.size() == 1; }));
    Seen = Spooler->EnumJobsCalls(Laser);
    ASSERT_TRUE(Eventually([&] { return Spooler->EnumJobsCalls(Laser) >= Seen + 5; }));
    auto H = Window.R->HandedJobs();
    ASSERT_EQ(H.size(), 1u);
    EXPECT_EQ(H[0].Job.JobId, 11u);
    EXPECT_EQ(H[0].Job.TotalPages, 4u); // its last seen values
    EXPECT_EQ(H[0].PrinterName, Laser);
    EXPECT_TRUE(H[0].OnWindowThread); // a blocking send onto the window thread
    Spooler->RemoveJobSilently(Laser, 12);
    ASSERT_TRUE(Window.R->WaitFor([](auto &H, auto &) { return H.size() == 2; }));
    Seen = Spooler->EnumJobsCalls(Laser);
    ASSERT_TRUE(Eventually([&] { return Spooler->EnumJobsCalls(Laser) >= Seen + 5; }));
    H = Window.R->HandedJobs();
    EXPECT_EQ(Ids(H), (std::vector<uint32_t>{11, 12}));
    M.Stop();
    EXPECT_TRUE(Window.R->Lines().isEmpty()); // the polling path ends without a log line
}

TEST_F(monitor_memory, PollingWithAFailedListingHandsNothingOver)
{
    RunningMonitor M(Spooler, Laser, false, Window.R, 0, 10);
    Spooler->AddJob(Laser, Job(21));
    ASSERT_TRUE(Eventually([&] { return Spooler->EnumJobsCalls(Laser) >= 3; }));
    Spooler->FailListing(Laser, true);
    Listings(5);
    EXPECT_TRUE(Window.R->HandedJobs().empty());
    Spooler->FailListing(Laser, false);
    Listings(5);
    EXPECT_TRUE(Window.R->HandedJobs().empty()); // still queued: never handed twice
    Spooler->RemoveJobSilently(Laser, 21);
    ASSERT_TRUE(Window.R->WaitFor([](auto &H, auto &) { return H.size() == 1; }));
}

TEST_F(monitor_memory, StoppingLogsTheTerminationLineAndTheEventOutlivesTheWindowsCopy)
{
    RunningMonitor M(Spooler, Laser, true, Window.R, 60000);
    Settle();
    ASSERT_TRUE(Eventually([&] { return Spooler->OpenNotifications(Laser) == 1; }));
    // The window signals and drops its own reference at once, without waiting for the thread.
    std::weak_ptr<WaitEvent> Watch = M.Mon->StopEvent;
    std::shared_ptr<WaitEvent> Stop = M.Mon->StopEvent;
    Stop->set();
    Stop.reset();
    ASSERT_TRUE(Window.R->WaitFor([](auto &, auto &L) { return !L.isEmpty(); }));
    M.Mon->wait();
    EXPECT_FALSE(Watch.expired()); // the thread object still holds it
    EXPECT_EQ(Window.R->Lines(), QStringList{"Monitoring thread for printer Laser terminated"});
    EXPECT_EQ(Spooler->OpenNotifications(Laser), 0); // the notification was closed
}

TEST_F(monitor_memory, FailedFirstNotificationRequestLogsErrorAndEnds)
{
    Spooler->FailFindFirst(Laser, 5);
    RunningMonitor M(Spooler, Laser, true, Window.R, 60000);
    ASSERT_TRUE(M.Opened);
    ASSERT_TRUE(M.Mon->wait(QDeadlineTimer(60000))); // ends on its own
    EXPECT_EQ(Window.R->Lines(), (QStringList{"5FindFirstPrinterChangeNotification",
                                              "Monitoring thread for printer Laser terminated"}));
}

TEST_F(monitor_memory, OpeningFailsForEmptyUnknownAndUnreachable)
{
    TPrinterMonThread Mon(Spooler, [] { return true; });
    EXPECT_FALSE(Mon.OpenMonitoredPrinter());
    EXPECT_EQ(Mon.LastOpenError(), spooler::OpenError::EmptyName);
    Mon.PrinterName = "Nope";
    EXPECT_FALSE(Mon.OpenMonitoredPrinter());
    EXPECT_EQ(Mon.LastOpenError(), spooler::OpenError::UnknownPrinter);
    Spooler->SetServerReachable(false);
    Mon.PrinterName = Laser;
    EXPECT_FALSE(Mon.OpenMonitoredPrinter());
    EXPECT_EQ(Mon.LastOpenError(), spooler::OpenError::ServerUnreachable);
    Spooler->SetServerReachable(true);
    EXPECT_TRUE(Mon.OpenMonitoredPrinter());
}

TEST(monitor_waitevent, WaitAnyGivesTheFirstSignalledOrTimesOut)
{
    WaitEvent A, B;
    EXPECT_EQ(WaitEvent::waitAny({&A, &B}, 10), WaitEvent::TimedOut);
    B.set();
    EXPECT_EQ(WaitEvent::waitAny({&A, &B}, 10), 1);
    EXPECT_TRUE(B.isSet()); // manual reset
    A.set();
    EXPECT_EQ(WaitEvent::waitAny({&A, &B}, 0), 0);
    A.reset();
    B.reset();
    std::thread Setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        A.set();
    });
    EXPECT_EQ(WaitEvent::waitAny({&B, &A}, WaitEvent::Infinite), 1);
    Setter.join();
}

TEST(monitor_messages, NumbersAreTheApplicationRangeOnes)
{
    EXPECT_EQ(WM_RECPRINTERDATA, 1029u);
    EXPECT_EQ(WM_SHOWTIP, 1125u);
    EXPECT_EQ(WM_INCTHREAD, 1126u);
    EXPECT_EQ(WM_DECTHREAD, 1127u);
    EXPECT_EQ(WM_HIDEFORM, 1132u);
}

// The blocking send runs the call on the window's thread and returns after it; on the window's
// own thread it calls directly. A call Qt discards unrun (its receiver's queue dropped, as when
// the receiver is destroyed) releases the sender with false instead of leaving it waiting.
TEST(monitor_messages, BlockingSendRunsOnTheWindowThreadOrReleasesTheSender)
{
    WindowThread Window;
    QObject Here; // this thread serves no events during the test
    struct Case
    {
        const char *Name;
        QObject *Target;
        bool FromOtherThread;
        bool DiscardQueue;
        bool Sent;
        bool RanOnTarget;
    };
    const Case Cases[] = {
        {"other thread's window", Window.R, true, false, true, true},
        {"own thread's window", &Here, false, false, true, true},
        {"queue discarded", &Here, true, true, false, false},
        {"no window", nullptr, true, false, false, false},
    };
    for (const Case &C : Cases) {
        SCOPED_TRACE(C.Name);
        bool Ran = false;
        bool OnTarget = false;
        const auto Send = [&] {
            return SendWindowMessage(C.Target, [&] {
                Ran = true;
                OnTarget = QThread::currentThread() == C.Target->thread();
            });
        };
        bool Sent = false;
        if (C.FromOtherThread) {
            auto Result = std::async(std::launch::async, Send);
            while (Result.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
                if (C.DiscardQueue)
                    QCoreApplication::removePostedEvents(C.Target, QEvent::MetaCall);
            Sent = Result.get();
        } else {
            Sent = Send();
        }
        EXPECT_EQ(Sent, C.Sent);
        EXPECT_EQ(Ran && OnTarget, C.RanOnTarget);
        EXPECT_EQ(Ran, C.RanOnTarget);
    }
}

} // namespace
} // namespace vesk::test
