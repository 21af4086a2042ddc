// The printer roster: start-up, the check box with its question, adding and deleting printers.
#include "AgentFixture.h"
#include "AgentShell.h"
#include "Catalogue.h"
#include "HostileTexts.h"
#include "PrinterForm.h"
#include "PrinterRoster.h"
#include "WaitEvent.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <map>

namespace vesk::test {

namespace {

QListWidgetItem *rosterItem(TVeskagentFrm &frm, const QString &name)
{
    for (int i = 0; i < frm.lvPrinterList->count(); ++i) {
        if (frm.lvPrinterList->item(i)->text() == name)
            return frm.lvPrinterList->item(i);
    }
    return nullptr;
}

} // namespace

class RosterTest : public AgentFixture
{
protected:
    int isMonitor(const QString &name)
    {
        const QVariant v =
            scalar(QStringLiteral("select IsMonitor from tPrinter where Name=") + QuotedStr(name));
        return v.isValid() ? v.toInt() : -1;
    }
    int printerRows(const QString &name)
    {
        return scalar(QStringLiteral("select count(*) from tPrinter where Name=") + QuotedStr(name))
            .toInt();
    }
};

TEST_F(RosterTest, StartupStartsTheMonitoredPrintersThatOpenAndWritesNothing)
{
    spooler->AddPrinter("Office");
    spooler->AddPrinter("Idle");
    addPrinterRow(QStringLiteral("Office"), 1);
    addPrinterRow(QStringLiteral("Idle"), 0);
    addPrinterRow(QStringLiteral("Gone"), 1); // the spooler does not know it
    start();

    ASSERT_TRUE(frm->StartupComplete());
    ASSERT_EQ(frm->lvPrinterList->count(), 3);
    EXPECT_EQ(rosterItem(*frm, QStringLiteral("Office"))->checkState(), Qt::Checked);
    EXPECT_EQ(rosterItem(*frm, QStringLiteral("Idle"))->checkState(), Qt::Unchecked);
    EXPECT_EQ(rosterItem(*frm, QStringLiteral("Gone"))->checkState(), Qt::Unchecked);
    ASSERT_EQ(frm->Roster()->Monitors().size(), 1u);
    EXPECT_EQ(frm->Roster()->Monitors()[0].PrinterName, QStringLiteral("Office"));
    EXPECT_EQ(isMonitor(QStringLiteral("Gone")), 1);

    const QString text = log();
    EXPECT_TRUE(text.contains(lang("RSReadPrinterList")));
    EXPECT_TRUE(text.contains(lang("RSReadPrinterListFinish")));
    EXPECT_TRUE(
        text.contains(TdmMain::FillMsg(lang("RSMonitorSuccess"), QStringLiteral("Office"))));
    EXPECT_TRUE(text.contains(TdmMain::FillMsg(lang("RSMonitorErr"), QStringLiteral("Gone"))));
    EXPECT_TRUE(boxes.shown.empty());

    // The product title closes the start-up, and the tray tip follows it.
    const QString title = ProductTitle(QStringLiteral("en"), lang("RSVersion"));
    EXPECT_EQ(frm->lblCaption->text(), title);
    EXPECT_EQ(frm->Shell()->tip(), title);
    EXPECT_EQ(dm->LangCode, QStringLiteral("en"));
}

TEST_F(RosterTest, NoMonitoredPrinterStartsNothingAndLogsTheTwoRosterLines)
{
    addPrinterRow(QStringLiteral("Idle"), 0);
    start();
    EXPECT_TRUE(frm->Roster()->Monitors().empty());
    EXPECT_EQ(log(), lang("RSReadPrinterList") + u'\n' + lang("RSReadPrinterListFinish"));
}

TEST_F(RosterTest, UncheckingAsksAndCancelKeepsTheMonitorOkStopsIt)
{
    spooler->AddPrinter("Office");
    addPrinterRow(QStringLiteral("Office"), 1);
    start();
    QListWidgetItem *item = rosterItem(*frm, QStringLiteral("Office"));
    const std::shared_ptr<WaitEvent> stop = frm->Roster()->Monitors().at(0).StopEvent;

    boxes.answer(IDCANCEL);
    item->setCheckState(Qt::Unchecked);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              TdmMain::FillMsg(lang("RSAskEndMonitor"), QStringLiteral("Office")));
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONQUESTION | MB_OKCANCEL));
    EXPECT_EQ(item->checkState(), Qt::Checked); // reconciled with the running monitor
    EXPECT_EQ(frm->Roster()->FindMonitor(QStringLiteral("Office")), 0);
    EXPECT_FALSE(stop->isSet());
    EXPECT_EQ(isMonitor(QStringLiteral("Office")), 1);

    boxes.answer(IDOK);
    item->setCheckState(Qt::Unchecked);
    EXPECT_EQ(item->checkState(), Qt::Unchecked);
    EXPECT_EQ(frm->Roster()->FindMonitor(QStringLiteral("Office")), -1);
    EXPECT_TRUE(stop->isSet());
    EXPECT_EQ(isMonitor(QStringLiteral("Office")), 0);
    EXPECT_TRUE(log().contains(TdmMain::FillMsg(lang("RSEndMonitor"), QStringLiteral("Office")) +
                               QStringLiteral("  ")));
}

TEST_F(RosterTest, CheckingStartsAMonitorOrClearsTheBoxWhenThePrinterCannotBeOpened)
{
    spooler->AddPrinter("Office");
    addPrinterRow(QStringLiteral("Office"), 0);
    addPrinterRow(QStringLiteral("Gone"), 0);
    start();

    rosterItem(*frm, QStringLiteral("Office"))->setCheckState(Qt::Checked);
    EXPECT_EQ(rosterItem(*frm, QStringLiteral("Office"))->checkState(), Qt::Checked);
    EXPECT_EQ(frm->Roster()->FindMonitor(QStringLiteral("Office")), 0);
    EXPECT_EQ(isMonitor(QStringLiteral("Office")), 1);

    rosterItem(*frm, QStringLiteral("Gone"))->setCheckState(Qt::Checked);
    EXPECT_EQ(rosterItem(*frm, QStringLiteral("Gone"))->checkState(), Qt::Unchecked);
    EXPECT_EQ(frm->Roster()->FindMonitor(QStringLiteral("Gone")), -1);
    EXPECT_EQ(isMonitor(QStringLiteral("Gone")), 0);
    EXPECT_TRUE(log().contains(TdmMain::FillMsg(lang("RSMonitorErr"), QStringLiteral("Gone"))));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RosterTest, FindMonitorMatchesLetterCaseExactlyAndTakesTheLastEntry)
{
    spooler->AddPrinter("Office");
    start();
    ASSERT_TRUE(frm->Roster()->StartMonitor(QStringLiteral("Office")));
    ASSERT_TRUE(frm->Roster()->StartMonitor(QStringLiteral("Office")));
    EXPECT_EQ(frm->Roster()->FindMonitor(QStringLiteral("Office")), 1);
    EXPECT_EQ(frm->Roster()->FindMonitor(QStringLiteral("office")), -1);
}

TEST_F(RosterTest, TheAddPrinterDialogChecksNamesAsTheDatabaseComparesThem)
{
    addPrinterRow(QStringLiteral("Office HP"), 0);
    start();

    TPrinterFrm dialog(*dm, frm.get());
    dialog.CheckUnique = true;
    dialog.show();
    EXPECT_EQ(dialog.lblCaption->text(), lang("RSAddPrinter"));
    EXPECT_EQ(dialog.BtnOk->text(), lang("RSOK"));
    EXPECT_TRUE(dialog.rbYes->isChecked());

    // Letter case does not make a new printer.
    dialog.edtPrinterName->setText(QStringLiteral("office hp"));
    dialog.BtnOk->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, lang("RSPrinterExist"));
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONEXCLAMATION));
    EXPECT_TRUE(dialog.isVisible());

    dialog.edtPrinterName->setText(QStringLiteral(" \t "));
    dialog.BtnOk->click();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, lang("RSNameNull"));
    EXPECT_TRUE(dialog.isVisible());

    dialog.edtPrinterName->setText(QStringLiteral("O'Brien's HP"));
    dialog.rbNo->setChecked(true);
    dialog.BtnOk->click();
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.MonitorChosen());

    // Without the uniqueness check only the blank test remains.
    EXPECT_EQ(CheckNewPrinterName(*dm, QStringLiteral("Office HP"), false), PrinterNameCheck::Ok);
}

TEST_F(RosterTest, ANameWithSingleQuotesIsStoredUpdatedAndDeleted)
{
    const QString name = QStringLiteral("O'Brien's 'HP'");
    start();

    frm->AddRosterPrinter(name, true); // the spooler does not know it yet: inserted unmonitored
    EXPECT_EQ(printerRows(name), 1);
    EXPECT_EQ(isMonitor(name), 0);
    QListWidgetItem *item = rosterItem(*frm, name);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->checkState(), Qt::Unchecked);
    EXPECT_EQ(frm->lvPrinterList->currentItem(), item);

    spooler->AddPrinter(name.toStdString());
    item->setCheckState(Qt::Checked);
    EXPECT_EQ(isMonitor(name), 1);

    boxes.answer(IDOK);
    item->setCheckState(Qt::Unchecked);
    EXPECT_EQ(isMonitor(name), 0);

    frm->lvPrinterList->setCurrentItem(item);
    frm->MenuDelPrinterClick();
    EXPECT_EQ(printerRows(name), 0);
    EXPECT_EQ(rosterItem(*frm, name), nullptr);

    // Added with monitoring on a printer that opens: inserted monitored.
    frm->AddRosterPrinter(name, true);
    EXPECT_EQ(isMonitor(name), 1);
    EXPECT_EQ(rosterItem(*frm, name)->checkState(), Qt::Checked);
}

TEST_F(RosterTest, DeletingAMonitoredPrinterIsRefusedAnUncheckedOneGoesWithoutAQuestion)
{
    spooler->AddPrinter("Office");
    addPrinterRow(QStringLiteral("Office"), 1);
    addPrinterRow(QStringLiteral("Idle"), 0);
    start();

    frm->lvPrinterList->setCurrentItem(rosterItem(*frm, QStringLiteral("Office")));
    frm->PopPrinterPopup();
    EXPECT_TRUE(frm->MenuDelPrinter->isVisible());
    frm->MenuDelPrinterClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, lang("RSMonitorPrinterNoDel"));
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONEXCLAMATION));
    EXPECT_EQ(printerRows(QStringLiteral("Office")), 1);
    EXPECT_NE(rosterItem(*frm, QStringLiteral("Office")), nullptr);

    frm->lvPrinterList->setCurrentItem(rosterItem(*frm, QStringLiteral("Idle")));
    frm->MenuDelPrinterClick();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(printerRows(QStringLiteral("Idle")), 0);
    EXPECT_EQ(rosterItem(*frm, QStringLiteral("Idle")), nullptr);

    frm->lvPrinterList->clearSelection();
    frm->lvPrinterList->setCurrentItem(nullptr);
    frm->PopPrinterPopup();
    EXPECT_FALSE(frm->MenuDelPrinter->isVisible());
}

TEST_F(RosterTest, HostilePrinterNamesAreStoredVerbatimOrRefusedWithAMessage)
{
    addPrinterRow(QStringLiteral("Office"), 0);
    start();
    QStringList stored{QStringLiteral("Office")};
    for (const auto &h : HostileTexts()) {
        SCOPED_TRACE(h.label);
        spooler->AddPrinter(h.text.toStdString());
        TPrinterFrm dialog(*dm, frm.get());
        dialog.CheckUnique = true;
        dialog.edtPrinterName->setText(h.text);
        boxes.shown.clear();
        dialog.BtnOk->click();
        // Only the empty name is refused; every other text is a printer's name.
        const bool refused = dialog.result() != QDialog::Accepted;
        ASSERT_EQ(refused, h.text.isEmpty());
        if (refused) {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].text, lang("RSNameNull"));
            continue;
        }
        frm->AddRosterPrinter(dialog.PrinterName(), dialog.MonitorChosen());
        EXPECT_TRUE(boxes.shown.empty());
        stored << h.text;
        EXPECT_EQ(isMonitor(h.text), 1);
        ASSERT_NE(rosterItem(*frm, h.text), nullptr);
        EXPECT_EQ(rosterItem(*frm, h.text)->checkState(), Qt::Checked);
        EXPECT_EQ(frm->Roster()->FindMonitor(h.text), int(frm->Roster()->Monitors().size()) - 1);
    }
    QStringList names;
    QSqlQuery q(dm->acntVesk.database());
    ASSERT_TRUE(q.exec(QStringLiteral("select Name from tPrinter")));
    while (q.next())
        names << q.value(0).toString();
    names.sort();
    stored.sort();
    EXPECT_EQ(names.join(u'\n').toStdString(), stored.join(u'\n').toStdString());
    EXPECT_EQ(isMonitor(QStringLiteral("Office")), 0);
}

TEST_F(RosterTest, SwitchedBackOnAMonitorCatchesUpOnceWithTheJobsPrintedWhileItWasOff)
{
    const auto job = [](uint32_t id) {
        spooler::JobEntry j;
        j.JobId = id;
        j.Document = "doc" + std::to_string(id);
        return j;
    };
    const auto print = [&](uint32_t id) {
        spooler->AddJob("Office", job(id));
        spooler->CompleteJob("Office", job(id));
    };
    const auto listed = [&] {
        std::map<QString, int> documents;
        for (const ListedRecord &row : frm->Records().Rows)
            ++documents[row.Cells[coldocumentName]];
        return documents;
    };
    spooler->AddPrinter("Office");
    addPrinterRow(QStringLiteral("Office"), 1);
    print(1); // before monitoring began: not this agent's
    start();
    QListWidgetItem *item = rosterItem(*frm, QStringLiteral("Office"));
    print(2);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return listed().count(QStringLiteral("doc2")) == 1; }, 60000));
    boxes.answer(IDOK);
    item->setCheckState(Qt::Unchecked);
    print(3); // while monitoring is off
    item->setCheckState(Qt::Checked);
    print(4);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return listed().count(QStringLiteral("doc4")) == 1; }, 60000));
    EXPECT_EQ(listed(), (std::map<QString, int>{{"doc2", 1}, {"doc3", 1}, {"doc4", 1}}));
}

// A service stop or the tray's Exit that arrives while the stop question is open.
class ExitDuringQuestion : public MessagePresenter
{
public:
    explicit ExitDuringQuestion(TVeskagentFrm &frm) : frm_(frm) {}
    int present(const QString &, const QString &, unsigned) override
    {
        frm_.ExitAgent();
        return IDOK;
    }

private:
    TVeskagentFrm &frm_;
};

TEST_F(RosterTest, AnExitDuringTheStopQuestionClosesOnceTheCommandIsOver)
{
    spooler->AddPrinter("Office");
    addPrinterRow(QStringLiteral("Office"), 1);
    start();
    bool closed = false;
    QObject::connect(frm.get(), &TVeskagentFrm::agentClosed, [&] { closed = true; });
    ExitDuringQuestion presenter(*frm);
    dm->setMessagePresenter(&presenter);

    rosterItem(*frm, QStringLiteral("Office"))->setCheckState(Qt::Unchecked);
    // The command ended with the roster it was using, then the close ran.
    EXPECT_FALSE(closed);
    EXPECT_EQ(isMonitor(QStringLiteral("Office")), 0);
    EXPECT_TRUE(log().contains(TdmMain::FillMsg(lang("RSEndMonitor"), QStringLiteral("Office"))));
    QCoreApplication::sendPostedEvents(frm.get());
    EXPECT_TRUE(closed);
    EXPECT_TRUE(frm->Roster() == nullptr);
    dm->setMessagePresenter(&boxes);
}

} // namespace vesk::test
