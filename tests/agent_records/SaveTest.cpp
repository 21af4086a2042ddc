// Record saving: one transaction per save, the 100-row rule, the log line, failures that store
// nothing and the save after them that stores everything once.
#include "AgentFixture.h"
#include "PrinterDataSaver.h"
#include "RecordJournal.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class Save : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir.prepareEnglish();
        dm = startAgentModule(dir);
        journal = std::make_unique<RecordJournal>(dir.path());
        saver = std::make_unique<PrinterDataSaver>(
            *dm, journal.get(), [] { return QDateTime(QDate(2026, 3, 1), QTime(9, 5, 7)); });
    }

    // Takes a row in as the window does: journal first, then the list.
    void add(const ListedRecord &r)
    {
        ASSERT_TRUE(journal->Append(r));
        list.Rows.push_back(r);
    }
    void addMany(int n)
    {
        for (int i = 0; i < n; ++i)
            add(row(QStringLiteral("doc %1").arg(list.Rows.size()), i));
    }
    int stored() { return scalar(*dm, QStringLiteral("select count(*) from tPrinterData")); }

    TestAppDir dir;
    std::unique_ptr<TdmMain> dm;
    std::unique_ptr<RecordJournal> journal;
    std::unique_ptr<PrinterDataSaver> saver;
    RecordList list;
};

} // namespace

TEST_F(Save, NothingNewWritesNothingAndLogsNothing)
{
    SaveResult r = saver->SavePrinterData(list);
    EXPECT_EQ(r.outcome, SaveResult::Outcome::NothingNew);
    EXPECT_TRUE(r.logLine.isEmpty());

    addMany(2);
    r = saver->SavePrinterData(list);
    EXPECT_EQ(r.outcome, SaveResult::Outcome::Saved);
    r = saver->SavePrinterData(list); // the same rows again: nothing new
    EXPECT_EQ(r.outcome, SaveResult::Outcome::NothingNew);
    EXPECT_TRUE(r.logLine.isEmpty());
    EXPECT_EQ(stored(), 2);
}

TEST_F(Save, StoresEveryCellWithItsTypeAndLogsTheTime)
{
    ListedRecord r = row(QStringLiteral("O'Neil's \"plan\" 计划; drop table tHost --"), 7);
    r.Cells[colPrinterName] = QStringLiteral("Laser 'Front'");
    add(r);
    const SaveResult res = saver->SavePrinterData(list);
    ASSERT_EQ(res.outcome, SaveResult::Outcome::Saved) << res.error.toStdString();
    EXPECT_EQ(res.written, 1);
    EXPECT_FALSE(res.cleared);
    EXPECT_EQ(list.SavedCount, 1);
    EXPECT_EQ(res.logLine, dm->GetLangString(QStringLiteral("RSSaveComplete")) +
                               LogDateTime(QDateTime(QDate(2026, 3, 1), QTime(9, 5, 7))));
    EXPECT_TRUE(res.logLine.startsWith(QStringLiteral("Print records saved:")));
    EXPECT_TRUE(res.logLine.contains(QStringLiteral("9:05:07"))) << res.logLine.toStdString();
    EXPECT_FALSE(res.logLine.contains(QStringLiteral("UTC"))) << res.logLine.toStdString();

    QSqlQuery q(dm->acntVesk.database());
    ASSERT_TRUE(q.exec(QStringLiteral(
        "select *, typeof(TotalPageCount), typeof(PrintedDocumentSize) from tPrinterData")));
    ASSERT_TRUE(q.next());
    for (int c = 0; c < PrinterDataColumnCount; ++c)
        EXPECT_EQ(q.value(c).toString(), r.Cells[static_cast<size_t>(c)]) << PrinterDataFields[c];
    EXPECT_EQ(q.value(PrinterDataColumnCount).toString(), QStringLiteral("integer"));
    EXPECT_EQ(q.value(PrinterDataColumnCount + 1).toString(), QStringLiteral("integer"));
    // The console's date search finds it.
    EXPECT_EQ(scalar(*dm, QStringLiteral("select count(*) from tPrinterData where "
                                         "PrintTime>=CDate(\"2026-03-01\")")),
              1);
}

TEST_F(Save, HundredRowsStayListedAHundredAndOneAreCleared)
{
    addMany(100);
    SaveResult r = saver->SavePrinterData(list);
    ASSERT_EQ(r.outcome, SaveResult::Outcome::Saved);
    EXPECT_EQ(r.written, 100);
    EXPECT_FALSE(r.cleared);
    EXPECT_EQ(list.Rows.size(), 100u);
    EXPECT_EQ(list.SavedCount, 100);

    addMany(1);
    r = saver->SavePrinterData(list);
    ASSERT_EQ(r.outcome, SaveResult::Outcome::Saved);
    EXPECT_EQ(r.written, 1); // only the new row
    EXPECT_TRUE(r.cleared);
    EXPECT_TRUE(list.Rows.empty());
    EXPECT_EQ(list.SavedCount, 0);
    EXPECT_EQ(stored(), 101);

    // The emptied list starts again at its first row.
    add(row(QStringLiteral("after clearing")));
    r = saver->SavePrinterData(list);
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(list.SavedCount, 1);
    EXPECT_EQ(stored(), 102);
    EXPECT_EQ(scalar(*dm, QStringLiteral("select count(*) from tPrinterData where "
                                         "documentName='after clearing'")),
              1);
}

TEST_F(Save, AFailurePartWayStoresNoneAndTheNextSaveStoresAllOnce)
{
    addMany(3);
    ASSERT_EQ(saver->SavePrinterData(list).outcome, SaveResult::Outcome::Saved);
    add(row(QStringLiteral("first")));
    add(row(QStringLiteral("boom")));
    add(row(QStringLiteral("last")));
    // The second new row cannot be stored: the first one was already inserted in the transaction.
    exec(*dm,
         QStringLiteral("create trigger tBoom before insert on tPrinterData "
                        "when new.documentName='boom' begin select raise(abort, 'boom'); end"));
    SaveResult r = saver->SavePrinterData(list);
    EXPECT_EQ(r.outcome, SaveResult::Outcome::Failed);
    EXPECT_TRUE(r.logLine.isEmpty());
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(list.SavedCount, 3);
    EXPECT_EQ(stored(), 3);
    EXPECT_EQ(journal->Pending().size(), 3u); // the unsaved rows stay journaled

    exec(*dm, QStringLiteral("drop trigger tBoom"));
    r = saver->SavePrinterData(list);
    ASSERT_EQ(r.outcome, SaveResult::Outcome::Saved) << r.error.toStdString();
    EXPECT_EQ(r.written, 3);
    EXPECT_EQ(list.SavedCount, 6);
    for (const char *doc : {"first", "boom", "last"})
        EXPECT_EQ(scalar(*dm, QStringLiteral("select count(*) from tPrinterData where "
                                             "documentName='%1'")
                                  .arg(QLatin1String(doc))),
                  1)
            << doc;
    EXPECT_EQ(stored(), 6);
    EXPECT_TRUE(journal->Pending().empty());
}

TEST_F(Save, AMissingTableOrConnectionStoresNothingUntilItIsBack)
{
    addMany(2);
    exec(*dm, QStringLiteral("alter table tPrinterData rename to tPrinterDataAway"));
    EXPECT_EQ(saver->SavePrinterData(list).outcome, SaveResult::Outcome::Failed);
    EXPECT_EQ(list.SavedCount, 0);
    exec(*dm, QStringLiteral("alter table tPrinterDataAway rename to tPrinterData"));

    dm->acntVesk.Close();
    EXPECT_EQ(saver->SavePrinterData(list).outcome, SaveResult::Outcome::Failed);
    QString error;
    ASSERT_TRUE(dm->acntVesk.Open(dm->AppDir(), &error));

    const SaveResult r = saver->SavePrinterData(list);
    ASSERT_EQ(r.outcome, SaveResult::Outcome::Saved) << r.error.toStdString();
    EXPECT_EQ(stored(), 2);
    // Markers live only between a commit and the journal rewrite after it.
    EXPECT_EQ(scalar(*dm, QStringLiteral("select count(*) from tSavedRecord")), 0);
}

TEST_F(Save, AWriteLockHeldElsewhereFailsTheSaveWithoutWriting)
{
    addMany(2);
    exec(*dm, QStringLiteral("PRAGMA busy_timeout=50")); // give up quickly in the test
    const QString otherName = QStringLiteral("other-writer");
    {
        // Another program holds the write lock longer than the busy timeout.
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), otherName);
        other.setDatabaseName(dir.databaseFile());
        ASSERT_TRUE(other.open());
        QSqlQuery q(other);
        ASSERT_TRUE(q.exec(QStringLiteral("BEGIN IMMEDIATE")));
        const SaveResult r = saver->SavePrinterData(list);
        EXPECT_EQ(r.outcome, SaveResult::Outcome::Failed);
        EXPECT_EQ(list.SavedCount, 0);
        ASSERT_TRUE(q.exec(QStringLiteral("ROLLBACK")));
        q.finish();
        other.close();
    }
    QSqlDatabase::removeDatabase(otherName);

    const SaveResult r = saver->SavePrinterData(list);
    ASSERT_EQ(r.outcome, SaveResult::Outcome::Saved) << r.error.toStdString();
    EXPECT_EQ(r.written, 2);
    EXPECT_EQ(stored(), 2);
}
