// The journal: rows taken in survive a killed agent and are stored exactly once, also when the
// agent dies between a save's commit and the journal rewrite after it.
#include "AgentFixture.h"
#include "PrinterDataSaver.h"
#include "RecordIntake.h"
#include "RecordJournal.h"

#include <QFile>

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
