// Agent start-up and closing: columns, failure paths, hidden start, rows taken in and saved.
#include "AgentFixture.h"
#include "AgentShell.h"
#include "JobRecords.h"
#include "JournalRow.h"
#include "PrinterRoster.h"
#include "RecordJournal.h"
#include "TimerDM.h"
#include "WaitEvent.h"

#include <QFile>
#include <QHeaderView>
#include <QListWidget>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTreeWidget>

namespace vesk::test {

namespace {

TPrinterInfo handOver(const std::string &printer, const std::string &document)
{
    TPrinterInfo info;
    info.PrinterName = printer;
    TPrinterJob job;
    job.JobId = 7;
    job.Document = document;
    job.UserName = "alice";
    job.MachineName = "\\\\pc-one";
    job.TotalPages = 3;
    job.TotalBytes = 2048;
    job.PaperSize = 9;
    info.Jobs.push_back(job);
    info.Count = 1;
    return info;
}

} // namespace

using StartupTest = AgentFixture;

TEST_F(StartupTest, RecordListColumnsComeFromTheDisplayLabelsTwelvePixelsPerCharacter)
{
    start();
    QTreeWidget *lv = frm->lvPrinterData;
    ASSERT_EQ(lv->columnCount(), PrinterDataColumnCount);
    const char *keys[] = {"RSPrinterName",
                          "RSdocumentName",
                          "RShostName",
                          "RSTotalPageCount",
                          "RSPrintedDocumentSize",
                          "RSPageSize",
                          "RSPrintTime",
                          "RSOperatorName",
                          "RSIP",
                          nullptr,
                          "RSEmName",
                          "RSDeptName",
                          "RSJobOutcome",
                          "RSPagesPrinted",
                          "RSColorPrint",
                          "RSDuplex",
                          "RSCost"};
    for (int i = 0; i < PrinterDataColumnCount; ++i) {
        const QString caption = keys[i] ? lang(keys[i]) : QStringLiteral("MAC");
        EXPECT_EQ(lv->headerItem()->text(i), caption) << i;
        EXPECT_EQ(lv->columnWidth(i), 12 * caption.size()) << i;
    }
}

TEST_F(StartupTest, WithoutConfigIniTheCharsetErrorIsShownAndTheWindowStillCreated)
{
    QFile::remove(app.file(QStringLiteral("Config.ini")));
    start();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONSTOP));
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("not a valid integer")));
    EXPECT_FALSE(frm->StartupAbandoned());
    EXPECT_FALSE(frm->StartupComplete());
    EXPECT_EQ(frm->lvPrinterData->columnCount(), 1); // no columns were built
    EXPECT_FALSE(dm->acntVesk.Connected());
    // Closing does nothing beyond ending the program.
    bool closed = false;
    QObject::connect(frm.get(), &TVeskagentFrm::agentClosed, [&] { closed = true; });
    frm->show();
    frm->close();
    EXPECT_TRUE(closed);
}

TEST_F(StartupTest, AMissingDatabaseShowsTheConnectionErrorAndClosesTheWindow)
{
    spooler->AddPrinter("Office");
    QFile::remove(app.databaseFile());
    start();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, lang("RSConnectionErr"));
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONSTOP));
    EXPECT_TRUE(frm->StartupAbandoned());
    EXPECT_FALSE(frm->StartupComplete());
    EXPECT_EQ(frm->lvPrinterList->count(), 0);
    EXPECT_FALSE(QFile::exists(app.databaseFile())); // connecting never creates one
    EXPECT_EQ(spooler->OpenNotifications("Office"), 0);
}

TEST_F(StartupTest, TheCommandLineStartsTheAgentHiddenAfterTheSplash)
{
    AgentShell::ForceTrayAvailable(true);
    for (const QStringList &args :
         {QStringList{QStringLiteral("s")}, QStringList{QStringLiteral("h"), QStringLiteral("x")},
          QStringList{QStringLiteral("H")}}) {
        start(args);
        frm->show();
        EXPECT_TRUE(frm->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!frm->isVisible(), 10000);
        frm->close();
        frm.reset();
    }
    // "S" and "s" with a second parameter keep the window on the screen.
    for (const QStringList &args : {QStringList{QStringLiteral("S")},
                                    QStringList{QStringLiteral("s"), QStringLiteral("x")}}) {
        start(args);
        frm->show();
        QTRY_VERIFY_WITH_TIMEOUT(frm->SplashOver(), 10000);
        QCoreApplication::processEvents();
        EXPECT_TRUE(frm->isVisible());
        frm->close();
        frm.reset();
    }
    // Without a notification area the window is minimised instead, and stays reachable.
    AgentShell::ForceTrayAvailable(false);
    start({QStringLiteral("s")});
    frm->show();
    QTRY_VERIFY_WITH_TIMEOUT(frm->isMinimized(), 10000);
    EXPECT_TRUE(frm->isVisible());
    AgentShell::ForceTrayAvailable(std::nullopt);
}

TEST_F(StartupTest, TheWindowOpensMinimisedWithATaskBarEntryOnlyWithoutATray)
{
    for (const bool tray : {true, false}) {
        AgentShell::ForceTrayAvailable(tray);
        start();
        frm->show();
        EXPECT_TRUE(frm->isMinimized()) << tray;
        EXPECT_EQ(frm->windowFlags().testFlag(Qt::Tool), tray);
        // The tray shows it, and a single click is enough (AppIndicator reports no other).
        frm->Shell()->HideWindow();
        Q_EMIT frm->Shell()->rmTrayIcon1->activated(QSystemTrayIcon::Trigger);
        EXPECT_TRUE(frm->isVisible()) << tray;
        EXPECT_FALSE(frm->isMinimized()) << tray;
        frm->close();
        frm.reset();
    }
    AgentShell::ForceTrayAvailable(std::nullopt);
}

TEST_F(StartupTest, HandedOverJobsAreListedJournaledAndSavedWhenTheWindowCloses)
{
    spooler->AddPrinter("Office");
    addPrinterRow(QStringLiteral("Office"), 1);
    // 3 pages at 10 yen: the list shows the cost as an amount of [Cost] Currency.
    app.writeConfig(QStringLiteral("English.ini"), QStringLiteral("0"),
                    QStringLiteral("[Cost]\nCurrency=JPY\n"));
    withDb([](QSqlDatabase &db) {
        ASSERT_TRUE(QSqlQuery(db).exec(
            QStringLiteral("insert into tPrice (PrinterName, MonoPrice) values ('', 10000000)")));
    });
    start();
    const std::shared_ptr<WaitEvent> stop = frm->Roster()->Monitors().at(0).StopEvent;

    frm->OnRecPrinterData(handOver("Office", "Quarterly 'report'"));
    ASSERT_EQ(frm->lvPrinterData->topLevelItemCount(), 1);
    EXPECT_EQ(frm->lvPrinterData->topLevelItem(0)->text(1), QStringLiteral("Quarterly 'report'"));
    EXPECT_EQ(frm->lvPrinterData->topLevelItem(0)->text(10), lang("RSUnkown"));
    EXPECT_EQ(frm->lvPrinterData->topLevelItem(0)->text(colCost), QStringLiteral("30 JPY"));
    EXPECT_EQ(RecordJournal(app.path()).Pending().size(), 1u);

    // The details of the selected row: one line per column.
    frm->lvPrinterData->setCurrentItem(frm->lvPrinterData->topLevelItem(0));
    const QString details = frm->SelectedDetails();
    EXPECT_EQ(details.count(QStringLiteral("\r\n")), PrinterDataColumnCount);
    EXPECT_TRUE(details.startsWith(lang("RSPrinterName") + QStringLiteral(":Office\r\n")));
    EXPECT_TRUE(details.contains(QStringLiteral(":30 JPY\r\n"))) << details.toStdString();

    bool closed = false;
    QObject::connect(frm.get(), &TVeskagentFrm::agentClosed, [&] { closed = true; });
    frm->ExitAgent();
    EXPECT_TRUE(closed);
    EXPECT_TRUE(stop->isSet());
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tPrinterData where documentName=") +
                     QuotedStr(QStringLiteral("Quarterly 'report'"))),
              1);
    EXPECT_TRUE(RecordJournal(app.path()).Pending().empty());
    // FormClose released the language file.
    EXPECT_TRUE(dm->GetLangString(QStringLiteral("RSUnkown")).isEmpty());
}

TEST_F(StartupTest, AFailedSaveIsLoggedAndShownAndTheRowsWaitForTheNextSave)
{
    start();
    frm->OnRecPrinterData(handOver("Office", "kept"));
    withDb([](QSqlDatabase &db) {
        ASSERT_TRUE(QSqlQuery(db).exec(
            QStringLiteral("alter table tPrinterData rename to tPrinterDataAway")));
    });
    frm->MenuSaveDataClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(
        boxes.shown[0].text.startsWith(TdmMain::FillMsg(lang("RSSaveErr"), QString()).trimmed()));
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONSTOP));
    EXPECT_TRUE(log().contains(boxes.shown[0].text)) << log().toStdString();
    EXPECT_FALSE(log().contains(lang("RSSaveComplete")));

    withDb([](QSqlDatabase &db) {
        ASSERT_TRUE(QSqlQuery(db).exec(
            QStringLiteral("alter table tPrinterDataAway rename to tPrinterData")));
    });
    frm->MenuSaveDataClick();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tPrinterData")), 1);
}

TEST_F(StartupTest, RowsLeftInTheJournalAreListedAgainAndSavedOnce)
{
    ASSERT_TRUE(RecordJournal(app.path()).Append(journalRow(QStringLiteral("left behind"))));
    start();
    ASSERT_EQ(frm->lvPrinterData->topLevelItemCount(), 1);
    frm->MenuSaveDataClick();
    frm->MenuSaveDataClick();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tPrinterData")), 1);
    EXPECT_EQ(log().count(lang("RSSaveComplete")), 1);
    EXPECT_TRUE(RecordJournal(app.path()).Pending().empty());
}

TEST_F(StartupTest, ADatabaseUnwritableAtTheTimerSaveAndAtExitLosesAndDoublesNothing)
{
    spooler->AddPrinter("Office");
    addPrinterRow(QStringLiteral("Office"), 1);
    const QString otherName = QStringLiteral("other-writer");
    {
        // Another program holds the write lock through the timer's save and the exit's.
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), otherName);
        other.setDatabaseName(app.databaseFile());
        ASSERT_TRUE(other.open());
        QSqlQuery lock(other);
        start();
        TDMTimer timer(*dm);
        QObject::connect(&timer, &TDMTimer::savePrinterDataDue, frm.get(),
                         &TVeskagentFrm::SavePrinterData);
        scalar(QStringLiteral("PRAGMA busy_timeout=50")); // give up quickly in the test
        frm->OnRecPrinterData(handOver("Office", "one"));
        frm->OnRecPrinterData(handOver("Office", "two"));
        ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
        timer.tmSavePrinterDataTimer();
        EXPECT_EQ(frm->Records().SavedCount, 0);
        frm->ExitAgent();
        frm->JoinMonitors();
        frm.reset();
        ASSERT_TRUE(lock.exec(QStringLiteral("ROLLBACK")));
        lock.finish();
        other.close();
    }
    QSqlDatabase::removeDatabase(otherName);
    EXPECT_EQ(RecordJournal(app.path()).Pending().size(), 2u);

    // Writable again: the next run lists both again, the timer stores them with a new one once.
    start();
    TDMTimer timer(*dm);
    QObject::connect(&timer, &TDMTimer::savePrinterDataDue, frm.get(),
                     &TVeskagentFrm::SavePrinterData);
    frm->OnRecPrinterData(handOver("Office", "three"));
    timer.tmSavePrinterDataTimer();
    frm->ExitAgent();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tPrinterData")), 3);
    EXPECT_EQ(scalar(QStringLiteral("select count(distinct documentName) from tPrinterData")), 3);
    EXPECT_TRUE(RecordJournal(app.path()).Pending().empty());
}

} // namespace vesk::test
