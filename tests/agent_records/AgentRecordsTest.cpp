// The agent's records and monitor set without a window: intake off the window thread in
// hand-over order, the stop that takes in what was handed over, failed saves, joined monitors.
#include "AgentRecords.h"

#include "AgentFixture.h"
#include "MemorySpooler.h"
#include "MonitorSet.h"
#include "PrinterMonThread.h"
#include "PrinterRoster.h"
#include "WaitEvent.h"
#include "WindowMessages.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <mutex>
#include <thread>

using namespace vesk;
using namespace vesk::test;

namespace {

// Answers nothing and notes the thread each probe ran on.
class ThreadNotingProbe : public HostProbe
{
public:
    QString MacOf(std::string &) override
    {
        std::lock_guard lock(mutex);
        threads.push_back(QThread::currentThread());
        return {};
    }
    QString IpOf(std::string &) override { return {}; }

    std::mutex mutex;
    std::vector<QThread *> threads;
};

TPrinterInfo handOver(const char *document)
{
    TPrinterInfo info;
    info.PrinterName = "Laser";
    info.Jobs = {job(document, "\\\\PC-SILENT")};
    info.Count = 1;
    return info;
}

// Hands the jobs over from a thread of its own, one blocking send each, as a monitor does.
void handOverFromMonitor(QObject *desk, const std::vector<const char *> &documents)
{
    std::thread monitor([desk, &documents] {
        for (const char *document : documents) {
            const TPrinterInfo info = handOver(document);
            SendWindowMessage(desk, [desk, &info] {
                dynamic_cast<TRecPrinterDataReceiver *>(desk)->OnRecPrinterData(info);
            });
        }
    });
    monitor.join();
}

class Records : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir.prepareEnglish();
        dm = startAgentModule(dir);
        ASSERT_TRUE(dm->aqryHost->Open());
        records = std::make_unique<AgentRecords>(*dm, probe);
    }

    QStringList documents() const
    {
        QStringList names;
        for (const ListedRecord &r : records->List().Rows)
            names << r.Cells[coldocumentName];
        return names;
    }

    TestAppDir dir;
    std::unique_ptr<TdmMain> dm;
    ThreadNotingProbe probe;
    std::unique_ptr<AgentRecords> records;
};

} // namespace

TEST_F(Records, HandOversAreProbedOffTheWindowThreadAndListedInOrder)
{
    QSignalSpy listed(records.get(), &AgentRecords::rowListed);
    handOverFromMonitor(records->Desk(), {"one", "two", "three"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return listed.count() == 3; }, 30000));
    EXPECT_EQ(documents(), (QStringList{"one", "two", "three"}));
    ASSERT_EQ(probe.threads.size(), 3u);
    for (QThread *t : probe.threads)
        EXPECT_NE(t, QThread::currentThread());
    EXPECT_EQ(RecordJournal(dir.path()).Pending().size(), 3u);
}

TEST_F(Records, StoppingTheIntakeTakesInWhatWasHandedOverWithItsTexts)
{
    // The window thread runs no loop here: the rows are still on their way when the stop comes.
    handOverFromMonitor(records->Desk(), {"late"});
    EXPECT_TRUE(records->List().Rows.empty());
    records->StopIntake();
    ASSERT_EQ(documents(), QStringList{"late"});
    const ListedRecord &row = records->List().Rows.front();
    EXPECT_EQ(row.Cells[colEmName], QStringLiteral("Unknown"));
    EXPECT_EQ(row.Cells[colPageSize], QStringLiteral("A4 Sheet, 210- by 297-millimeters"));
    EXPECT_EQ(records->Desk(), nullptr);
}

TEST_F(Records, AFailedSaveIsLoggedWithTheDatabasesText)
{
    QSignalSpy lines(records.get(), &AgentRecords::logLine);
    records->TakeIn(handOver("kept"));
    exec(*dm, QStringLiteral("alter table tPrinterData rename to tPrinterDataAway"));
    const SaveResult failed = records->Save();
    ASSERT_EQ(failed.outcome, SaveResult::Outcome::Failed);
    ASSERT_EQ(lines.count(), 1);
    EXPECT_EQ(lines.at(0).at(0).toString(),
              TdmMain::FillMsg(dm->GetLangString(QStringLiteral("RSSaveErr")), failed.error));
    EXPECT_TRUE(lines.at(0).at(0).toString().contains(QStringLiteral("tPrinterData")));

    exec(*dm, QStringLiteral("alter table tPrinterDataAway rename to tPrinterData"));
    EXPECT_EQ(records->Save().outcome, SaveResult::Outcome::Saved);
    EXPECT_EQ(scalar(*dm, QStringLiteral("select count(*) from tPrinterData")), 1);
}

TEST_F(Records, AMonitorsSweepAndProbeRunOffTheWindowThread)
{
    auto spooler = std::make_shared<spooler::MemorySpooler>();
    spooler->AddPrinter("Office");
    QSignalSpy listed(records.get(), &AgentRecords::rowListed);
    MonitorSet set(
        spooler, [] { return true; }, records->Desk());
    set.QuietMs = 50;
    const TMonitorEntry office{QStringLiteral("Office"), std::make_shared<WaitEvent>(),
                               std::make_shared<WaitEvent>()};
    ASSERT_TRUE(set.Launch(office));
    // Jobs count from the monitor's first notification on.
    ASSERT_TRUE(QTest::qWaitFor([&] { return spooler->Settled("Office"); }, 30000));
    spooler::JobEntry job;
    job.JobId = 1;
    job.Document = "Swept";
    job.MachineName = "\\\\PC-SILENT";
    spooler->AddJob("Office", job);
    spooler->CompleteJob("Office", job);
    ASSERT_TRUE(QTest::qWaitFor([&] { return listed.count() == 1; }, 30000));
    EXPECT_EQ(documents(), QStringList{"Swept"});
    ASSERT_EQ(probe.threads.size(), 1u);
    EXPECT_NE(probe.threads[0], QThread::currentThread());
    set.StopAll();
}

TEST_F(Records, StoppingTheMonitorsJoinsEveryThread)
{
    auto spooler = std::make_shared<spooler::MemorySpooler>();
    spooler->AddPrinter("Office");
    QSignalSpy lines(records.get(), &AgentRecords::logLine);
    {
        MonitorSet set(
            spooler, [] { return true; }, records->Desk());
        const TMonitorEntry office{QStringLiteral("Office"), std::make_shared<WaitEvent>(),
                                   std::make_shared<WaitEvent>()};
        const TMonitorEntry gone{QStringLiteral("Gone"), std::make_shared<WaitEvent>(),
                                 std::make_shared<WaitEvent>()};
        ASSERT_TRUE(set.Launch(office));
        EXPECT_FALSE(set.Launch(gone));
        EXPECT_EQ(set.Count(), 1);
        set.StopAll();
        EXPECT_EQ(set.Count(), 0);
        EXPECT_TRUE(office.StopEvent->isSet());
    }
    // The monitor's last line was handed on before its thread ended.
    records->StopIntake();
    ASSERT_EQ(lines.count(), 1);
    EXPECT_EQ(lines.at(0).at(0).toString(),
              QStringLiteral("Monitoring thread for printer Office terminated"));
}
