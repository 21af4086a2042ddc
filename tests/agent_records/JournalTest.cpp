// The journal: rows taken in survive a killed agent and are stored exactly once, also when the
// agent dies between a save's commit and the journal rewrite after it.
#include "AgentFixture.h"
#include "FolderLock.h"
#include "PrinterDataSaver.h"
#include "RecordIntake.h"
#include "RecordJournal.h"

#include <QFile>
#include <QTemporaryDir>

using namespace vesk;
using namespace vesk::test;

namespace {

// The agent dies right after the commit: the journal is never rewritten.
class DiesAfterCommit : public RecordJournal
{
public:
    using RecordJournal::RecordJournal;
    QStringList RemoveSaved(const QStringList &) override { return {}; }
};

// One run of the agent: data module, journal, intake and saver on the same folder, the rows the
// journal left listed again as the window does at start-up.
template <typename Journal = RecordJournal> struct AgentRun
{
    explicit AgentRun(const TestAppDir &dir)
        : dm(startAgentModule(dir)), journal(dir.path()), intake(*dm, probe), saver(*dm, &journal)
    {
        list.Rows = journal.Pending();
    }

    void print(const char *document)
    {
        TPrinterInfo info;
        info.PrinterName = "Laser";
        info.Jobs = {job(document, "\\\\PC1")};
        info.Count = 1;
        for (const ListedRecord &r : intake.OnRecPrinterData(info)) {
            ASSERT_TRUE(journal.Append(r)) << journal.lastError().toStdString();
            list.Rows.push_back(r);
        }
    }
    int stored(const QString &where = QStringLiteral("1=1"))
    {
        return scalar(*dm, QStringLiteral("select count(*) from tPrinterData where ") + where);
    }

    std::unique_ptr<TdmMain> dm;
    FakeProbe probe;
    Journal journal;
    RecordIntake intake;
    PrinterDataSaver saver;
    RecordList list;
};

class Journal : public ::testing::Test
{
protected:
    void SetUp() override { dir.prepareEnglish(); }
    TestAppDir dir;
};

} // namespace

TEST_F(Journal, RowsOfAKilledAgentAreListedAgainAndStoredOnce)
{
    std::vector<ListedRecord> taken;
    {
        AgentRun run(dir);
        run.print("one");
        run.print("two 'quoted'\nline");
        taken = run.list.Rows;
        // Killed: no save, nothing else runs.
    }
    {
        AgentRun run(dir);
        ASSERT_EQ(run.list.Rows.size(), 2u);
        for (size_t i = 0; i < taken.size(); ++i) {
            EXPECT_EQ(run.list.Rows[i].Id, taken[i].Id);
            EXPECT_EQ(run.list.Rows[i].Cells, taken[i].Cells);
        }
        EXPECT_EQ(run.list.SavedCount, 0);
        run.print("three");
        const SaveResult r = run.saver.SavePrinterData(run.list);
        ASSERT_EQ(r.outcome, SaveResult::Outcome::Saved) << r.error.toStdString();
        EXPECT_EQ(r.written, 3);
        EXPECT_TRUE(run.journal.Pending().empty());
    }
    AgentRun run(dir);
    EXPECT_TRUE(run.list.Rows.empty());
    EXPECT_EQ(run.stored(), 3);
    EXPECT_EQ(run.stored(QStringLiteral("documentName='two ''quoted''\nline'")), 1);
}

TEST_F(Journal, ADatabaseUnwritableAtCloseLosesNothing)
{
    {
        AgentRun run(dir);
        run.print("one");
        run.print("two");
        exec(*run.dm, QStringLiteral("alter table tPrinterData rename to tAway"));
        // FormClose saves; the save fails and the rows stay journaled.
        EXPECT_EQ(run.saver.SavePrinterData(run.list).outcome, SaveResult::Outcome::Failed);
        exec(*run.dm, QStringLiteral("alter table tAway rename to tPrinterData"));
    }
    {
        AgentRun run(dir);
        EXPECT_EQ(run.list.Rows.size(), 2u);
        EXPECT_EQ(run.saver.SavePrinterData(run.list).written, 2);
    }
    AgentRun run(dir);
    EXPECT_EQ(run.stored(), 2);
    EXPECT_EQ(run.saver.SavePrinterData(run.list).outcome, SaveResult::Outcome::NothingNew);
}

TEST_F(Journal, DeathBetweenCommitAndRewriteWritesNoRowTwice)
{
    {
        AgentRun<DiesAfterCommit> run(dir);
        run.print("one");
        run.print("two");
        const SaveResult r = run.saver.SavePrinterData(run.list);
        ASSERT_EQ(r.outcome, SaveResult::Outcome::Saved) << r.error.toStdString();
        EXPECT_EQ(run.stored(), 2);
    }
    {
        AgentRun run(dir);
        ASSERT_EQ(run.list.Rows.size(), 2u); // still in the journal
        run.print("three");
        const SaveResult r = run.saver.SavePrinterData(run.list);
        ASSERT_EQ(r.outcome, SaveResult::Outcome::Saved) << r.error.toStdString();
        EXPECT_EQ(r.written, 1); // only the new row; the others are known stored
        EXPECT_EQ(run.stored(), 3);
        EXPECT_EQ(run.stored(QStringLiteral("documentName='one'")), 1);
        EXPECT_TRUE(run.journal.Pending().empty());
        EXPECT_EQ(scalar(*run.dm, QStringLiteral("select count(*) from tSavedRecord")), 0);
    }
    AgentRun run(dir);
    EXPECT_TRUE(run.list.Rows.empty());
}

TEST_F(Journal, ATornLastLineIsDroppedAndLaterRowsStayReadable)
{
    {
        AgentRun run(dir);
        run.print("one");
        run.print("two");
    }
    {
        // Killed in the middle of writing a third row.
        QFile f(dir.file(QString::fromLatin1(RecordJournal::FileName)));
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("{\"id\":\"3f2c\",\"cells\":[\"Las");
    }
    {
        AgentRun run(dir);
        ASSERT_EQ(run.list.Rows.size(), 2u);
        run.print("four");
    }
    AgentRun run(dir);
    ASSERT_EQ(run.list.Rows.size(), 3u);
    EXPECT_EQ(run.list.Rows[2].Cells[coldocumentName], QStringLiteral("four"));
    EXPECT_EQ(run.saver.SavePrinterData(run.list).written, 3);
}

TEST_F(Journal, OlderRowsReadWithoutTheAppendedCellsAndNewOnesKeepThem)
{
    {
        // A row as agents wrote it before the outcome columns: twelve cells, nothing else.
        QFile f(dir.file(QString::fromLatin1(RecordJournal::FileName)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\"id\":\"old-1\",\"cells\":[\"Laser\",\"old\",\"\\\\\\\\PC1\",\"4\",\"10\","
                "\"A4\",\"2026-03-01 09:05:07\",\"bob\",\"\",\"\",\"E\",\"D\"]}\n");
    }
    {
        AgentRun run(dir);
        ASSERT_EQ(run.list.Rows.size(), 1u);
        EXPECT_EQ(run.list.Rows[0].Cells[colJobOutcome], QString());
        TPrinterInfo info;
        info.PrinterName = "Laser";
        info.Jobs = {job("new", "\\\\PC1")};
        info.Jobs[0].Status = spooler::JobStatus::Deleted;
        info.Jobs[0].Color = spooler::DevColor::Monochrome;
        info.Count = 1;
        const ListedRecord row = run.intake.OnRecPrinterData(info).at(0);
        ASSERT_TRUE(run.journal.Append(row));
        // An older agent reads the line as before: twelve cells, the others under keys.
        QFile f(run.journal.filePath());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray last = f.readAll().trimmed().split('\n').last();
        EXPECT_TRUE(last.contains("\"outcome\":\"2\"")) << last.constData();
        EXPECT_FALSE(last.contains("\"duplex\"")) << last.constData();
    }
    AgentRun run(dir);
    ASSERT_EQ(run.list.Rows.size(), 2u);
    EXPECT_EQ(run.list.Rows[1].Cells[colJobOutcome], QStringLiteral("2"));
    EXPECT_EQ(run.list.Rows[1].Cells[colColorPrint], QStringLiteral("0"));
    EXPECT_EQ(run.saver.SavePrinterData(run.list).written, 2);
    EXPECT_EQ(run.stored(QStringLiteral("documentName='old' and JobOutcome is null and "
                                        "PagesPrinted is null and TotalPageCount=4")),
              1);
    EXPECT_EQ(run.stored(QStringLiteral("documentName='new' and JobOutcome=2 and ColorPrint=0 "
                                        "and Duplex is null and TotalPageCount=1")),
              1);
}

TEST_F(Journal, JobMarksAdmitEachJobOnceAndSurviveRewritesAndRestarts)
{
    using spooler::ResumePoint;
    struct Step
    {
        uint32_t job;
        ResumePoint after; // the monitor's point with the hand-over
        bool admitted;
        ResumePoint mark;    // the journal's point afterwards
        const char *printer; // the job's own printer (a class's member), or none
    };
    const Step steps[] = {
        {8, {12, {11}}, true, {12, {11}}, nullptr},     // open at the start point
        {8, {12, {11}}, false, {12, {11}}, nullptr},    // handed over twice
        {9, {12, {}}, false, {12, {11}}, nullptr},      // below the mark, not open
        {11, {12, {}}, true, {12, {}}, nullptr},        // open since the last hand-over
        {13, {15, {9, 14}}, true, {15, {14}}, nullptr}, // ids below the old mark are not reopened
        {13, {15, {14}}, false, {15, {14}}, nullptr},   // a stopped monitor's late hand-over
        // Stored under the member that printed it; the mark stays the monitor's.
        {16, {16, {14}}, true, {16, {14}}, "Laser-2"},
        {16, {16, {14}}, false, {16, {14}}, "Laser-2"},
        {200, {0, {}}, true, {200, {14}}, nullptr}, // a point behind the job still covers it
    };
    const QString laser = QStringLiteral("Laser");
    {
        AgentRun run(dir);
        ASSERT_TRUE(run.journal.SetMark(laser, {10, {8}}));
        for (const Step &s : steps) {
            SCOPED_TRACE(s.job);
            TPrinterInfo info;
            info.PrinterName = "Laser";
            info.Jobs = {job("doc", "\\\\PC1")};
            info.Jobs[0].JobId = s.job;
            if (s.printer)
                info.Jobs[0].PrinterName = s.printer;
            info.Count = 1;
            info.Mark = s.after;
            for (const ListedRecord &r : run.intake.OnRecPrinterData(info)) {
                EXPECT_EQ(r.Caption(), QString::fromLatin1(s.printer ? s.printer : "Laser"));
                ASSERT_EQ(run.journal.Admits(r), s.admitted);
                if (s.admitted) {
                    ASSERT_TRUE(run.journal.Append(r));
                }
            }
            EXPECT_EQ(run.journal.Mark(laser), s.mark);
        }
        EXPECT_EQ(run.journal.Mark(QStringLiteral("Other")), std::nullopt);
        EXPECT_EQ(run.journal.Mark(QStringLiteral("Laser-2")), std::nullopt);
    }
    const ResumePoint last = steps[std::size(steps) - 1].mark;
    {
        AgentRun run(dir); // replayed from the rows' lines
        EXPECT_EQ(run.journal.Mark(laser), last);
        ASSERT_EQ(run.saver.SavePrinterData(run.list).written, 5); // the rewrite keeps the mark
    }
    {
        AgentRun run(dir);
        EXPECT_TRUE(run.list.Rows.empty());
        EXPECT_EQ(run.journal.Mark(laser), last);
        // A spooler that numbers from 1 again: the window lowers the point on purpose.
        ASSERT_TRUE(run.journal.SetMark(laser, {3, {2}}));
    }
    AgentRun run(dir);
    EXPECT_EQ(run.journal.Mark(laser), (ResumePoint{3, {2}}));
}

// [Agent] StateFolder of Config.ini names where the journal (and the lock) live: relative to the
// application folder or absolute; the application folder itself when absent.
TEST(JournalFolder, ConfigNamesTheFolderOfTheJournalAndLock)
{
    TestAppDir dir;
    QTemporaryDir elsewhere;
    const struct
    {
        QString setting, folder;
    } cases[] = {
        {QString(), dir.path()},
        {QStringLiteral("[Agent]\nStateFolder=state\n"), dir.path() + QStringLiteral("state/")},
        {QStringLiteral("[Agent]\nStateFolder = %1 \n").arg(elsewhere.path()),
         elsewhere.path() + u'/'},
    };
    for (const auto &c : cases) {
        dir.writeConfig(QStringLiteral("English.ini"), QStringLiteral("0"), c.setting);
        EXPECT_EQ(AgentStateFolder(dir.path()), c.folder) << c.setting.toStdString();
    }
}

TEST(JournalFolder, AMissingFolderIsToldApartFromAnotherAgentsLock)
{
    QTemporaryDir dir;
    FolderLock first(dir.path());
    ASSERT_TRUE(first.Acquire());
    FolderLock second(dir.path());
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(second.HeldElsewhere());

    FolderLock missing(dir.filePath(QStringLiteral("no-such-folder")));
    EXPECT_FALSE(missing.Acquire());
    EXPECT_FALSE(missing.HeldElsewhere());
    EXPECT_EQ(missing.OpenError(), ENOENT);
}
