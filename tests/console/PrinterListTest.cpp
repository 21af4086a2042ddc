// The printer list: the row check, adding, storing, refusing and deleting printers.
#include "ConsoleFixture.h"
#include "HostileTexts.h"
#include "MessageFlags.h"
#include "PrinterListAccess.h"
#include "PrinterListRules.h"
#include "PrinterListView.h"

#include <QAction>
#include <QMenu>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>

using namespace vesk;
using vesk::test::ConsoleFixture;

namespace {

const QString BadIsMonitor =
    QStringLiteral("Enter 1 to monitor the printer or 0 not to monitor it.");

using PrinterList = vesk::test::PrinterListAccess<ConsoleFixture>;

class RowCheck : public ConsoleFixture
{
protected:
    void SetUp() override
    {
        createWindow();
        boxes.shown.clear();
    }
    bool check(const QString &host, const QVariant &isMonitor)
    {
        PrinterListRules rules(*dm);
        return rules.aqryPrinterBeforePost({QStringLiteral("P"), host, isMonitor});
    }
};

} // namespace

TEST(PrinterListIsMonitor, ReadsWholeNumbersAndTreatsNullAsZero)
{
    int n = -1;
    EXPECT_TRUE(ReadIsMonitor(QVariant(), &n));
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(ReadIsMonitor(QVariant(1), &n));
    EXPECT_EQ(n, 1);
    EXPECT_TRUE(ReadIsMonitor(QVariant(QStringLiteral(" 2 ")), &n));
    EXPECT_EQ(n, 2);
    EXPECT_FALSE(ReadIsMonitor(QVariant(QStringLiteral("yes")), &n));
    EXPECT_FALSE(ReadIsMonitor(QVariant(QStringLiteral("1.5")), &n));
}

TEST_F(RowCheck, MonitoringFlagMustBeZeroOrOne)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    EXPECT_TRUE(check(QStringLiteral("PC1"), 0));
    EXPECT_TRUE(check(QStringLiteral("PC1"), 1));
    EXPECT_TRUE(check(QStringLiteral("PC1"), QVariant()));
    EXPECT_TRUE(boxes.shown.empty());
    for (const QVariant &bad :
         {QVariant(2), QVariant(-1), QVariant(255), QVariant(QStringLiteral("x"))}) {
        boxes.shown.clear();
        EXPECT_FALSE(check(QStringLiteral("PC1"), bad));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, BadIsMonitor);
        EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONEXCLAMATION));
    }
    // The flag is checked even while host information collection writes.
    dm->HostInfoRunning = true;
    EXPECT_FALSE(check(QStringLiteral("PC1"), 2));
}

TEST_F(RowCheck, TheHostMustBeAComputerTheDatabaseKnows)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PRINTSRV"), 1);
    addHost(QStringLiteral("ACCOUNTS-7"));
    // Named by a stored printer, or listed as a computer, in any letter case.
    EXPECT_TRUE(check(QStringLiteral("PRINTSRV"), 1));
    EXPECT_TRUE(check(QStringLiteral("printsrv"), 1));
    EXPECT_TRUE(check(QStringLiteral("ACCOUNTS-7"), 0));
    EXPECT_TRUE(boxes.shown.empty());

    EXPECT_FALSE(check(QStringLiteral("GHOST"), 1));
    EXPECT_FALSE(check(QStringLiteral("O'Brien's PC"), 1));
    EXPECT_FALSE(check(QString(), 1));
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Computer GHOST does not exist."));
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes.shown[1].text, QStringLiteral("Computer O'Brien's PC does not exist."));
}

TEST_F(RowCheck, NotRunWhileHostInformationIsCollected)
{
    dm->HostInfoRunning = true;
    EXPECT_TRUE(check(QStringLiteral("GHOST"), 1));
    EXPECT_TRUE(boxes.shown.empty());
    dm->HostInfoRunning = false;
    EXPECT_FALSE(check(QStringLiteral("GHOST"), 1));
}

TEST_F(PrinterList, ShowsNameHostAndMonitoringWithCatalogueTitles)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    addPrinter(QStringLiteral("Canon"), QStringLiteral("PC2"), 0);
    open();
    ASSERT_EQ(printers->rowCount(), 2);
    int shown = 0;
    for (int c = 0; c < printers->columnCount(); ++c)
        shown += view->DBGrid1->isColumnHidden(c) ? 0 : 1;
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(printers->headerData(printers->NameColumn(), Qt::Horizontal).toString(),
              QStringLiteral("Printer"));
    EXPECT_EQ(printers->headerData(printers->HostNameColumn(), Qt::Horizontal).toString(),
              QStringLiteral("Computer"));
    EXPECT_EQ(printers->headerData(printers->IsMonitorColumn(), Qt::Horizontal).toString(),
              QStringLiteral("Monitored"));
    EXPECT_EQ(view->DBGrid1->columnWidth(printers->HostNameColumn()), 64);
    EXPECT_EQ(view->DBGrid1->columnWidth(printers->IsMonitorColumn()), 106);
    EXPECT_EQ(
        printers->data(printers->index(0, printers->IsMonitorColumn()), Qt::TextAlignmentRole),
        QVariant(Qt::AlignCenter));
}

TEST_F(PrinterList, ANewRowStartsUnmonitoredAndIsStoredWhenSaved)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    open();
    view->MenuPrinterAddClick();
    ASSERT_EQ(printers->rowCount(), 2);
    const int row = view->DBGrid1->currentIndex().row();
    EXPECT_EQ(row, 0); // at the grid's position
    EXPECT_TRUE(printers->RowPending(row));
    EXPECT_EQ(cell(row, printers->IsMonitorColumn()).toInt(), 0);
    EXPECT_FALSE(cell(row, printers->IsMonitorColumn()).isNull());
    EXPECT_TRUE(cell(row, printers->NameColumn()).toString().isEmpty());
    EXPECT_TRUE(cell(row, printers->HostNameColumn()).toString().isEmpty());

    setCell(row, printers->NameColumn(), QStringLiteral("Kyocera"));
    setCell(row, printers->HostNameColumn(), QStringLiteral("PC1"));
    view->MenuPrinterSaveClick();
    EXPECT_TRUE(boxes.shown.empty()) << boxTexts().join(u'|').toStdString();
    EXPECT_EQ(stored(QStringLiteral("Name='Kyocera' and HostName='PC1' and IsMonitor=0")), 1);
    EXPECT_EQ(printers->PendingRow(), -1);
    EXPECT_EQ(printers->rowCount(), 2);
}

TEST_F(PrinterList, AHostNoOneKnowsIsRefusedAndTheRowKeepsItsValues)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    addHost(QStringLiteral("NEWPC"));
    open();
    view->MenuPrinterAddClick();
    const int row = view->DBGrid1->currentIndex().row();
    setCell(row, printers->NameColumn(), QStringLiteral("Laser"));
    setCell(row, printers->HostNameColumn(), QStringLiteral("GHOST"));
    view->MenuPrinterSaveClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Computer GHOST does not exist."));
    EXPECT_TRUE(printers->RowPending(row));
    EXPECT_EQ(cell(row, printers->HostNameColumn()).toString(), QStringLiteral("GHOST"));
    EXPECT_EQ(stored(QStringLiteral("Name='Laser'")), 0);

    // A computer of the directory that has no printer yet is accepted.
    setCell(row, printers->HostNameColumn(), QStringLiteral("NEWPC"));
    view->MenuPrinterSaveClick();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(stored(QStringLiteral("Name='Laser' and HostName='NEWPC'")), 1);
}

TEST_F(PrinterList, LeavingARowWithABadFlagRefusesItAndStaysThere)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    addPrinter(QStringLiteral("HP2"), QStringLiteral("PC1"), 1);
    open();
    const int hp1 = rowOf(QStringLiteral("HP1"));
    const int hp2 = rowOf(QStringLiteral("HP2"));
    select(hp1);
    setCell(hp1, printers->IsMonitorColumn(), 2);
    select(hp2);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, BadIsMonitor);
    EXPECT_EQ(view->DBGrid1->currentIndex().row(), hp1);
    EXPECT_TRUE(printers->RowPending(hp1));
    EXPECT_EQ(cell(hp1, printers->IsMonitorColumn()).toInt(), 2);
    EXPECT_EQ(stored(QStringLiteral("Name='HP1' and IsMonitor=1")), 1);

    // Corrected, the row is stored when the administrator moves on.
    setCell(hp1, printers->IsMonitorColumn(), 0);
    select(hp2);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(stored(QStringLiteral("Name='HP1' and IsMonitor=0")), 1);
    EXPECT_EQ(stored(QStringLiteral("Name='HP2' and IsMonitor=1")), 1);
    EXPECT_EQ(printers->PendingRow(), -1);
    EXPECT_EQ(view->DBGrid1->currentIndex().row(), hp2);
}

TEST_F(PrinterList, SwitchingMonitoringOfAPrinterOnlyThePrinterTableNames)
{
    // The agent adds printers of its own computer, which the directory may not list.
    addPrinter(QStringLiteral("HP1"), QStringLiteral("AGENTPC"), 1);
    open();
    select(0);
    setCell(0, printers->IsMonitorColumn(), 0);
    view->MenuPrinterSaveClick();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(stored(QStringLiteral("Name='HP1' and IsMonitor=0")), 1);
}

TEST_F(PrinterList, SavingAnUnchangedRowStillChecksIt)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    exec(QStringLiteral("update tPrinter set IsMonitor=7"));
    open();
    select(0);
    view->MenuPrinterSaveClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, BadIsMonitor);
}

TEST_F(PrinterList, EscapeDropsTheUnstoredEdits)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    open();
    select(0);
    setCell(0, printers->IsMonitorColumn(), 5);
    QTest::keyClick(view->DBGrid1, Qt::Key_Escape);
    EXPECT_EQ(printers->PendingRow(), -1);
    EXPECT_EQ(cell(0, printers->IsMonitorColumn()).toInt(), 1);

    view->MenuPrinterAddClick();
    EXPECT_EQ(printers->rowCount(), 2);
    QTest::keyClick(view->DBGrid1, Qt::Key_Escape);
    EXPECT_EQ(printers->rowCount(), 1);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PrinterList, StoredRowsWrittenWhileHostInformationIsCollectedBypassTheHostCheck)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    open();
    dm->HostInfoRunning = true;
    view->MenuPrinterAddClick();
    const int row = view->DBGrid1->currentIndex().row();
    setCell(row, printers->NameColumn(), QStringLiteral("Found"));
    setCell(row, printers->HostNameColumn(), QStringLiteral("FRESHPC"));
    view->MenuPrinterSaveClick();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(stored(QStringLiteral("Name='Found' and HostName='FRESHPC'")), 1);
}

TEST_F(PrinterList, DeletingAsksFirstAndCancelKeepsTheRow)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    addPrinter(QStringLiteral("HP2"), QStringLiteral("PC1"), 0);
    open();
    const int hp2 = rowOf(QStringLiteral("HP2"));
    select(hp2);
    boxes.answer(IDCANCEL);
    view->MenuPrinterDelClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Delete printer HP2?"));
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONEXCLAMATION | MB_OKCANCEL));
    EXPECT_EQ(printers->rowCount(), 2);
    EXPECT_EQ(stored(QStringLiteral("1=1")), 2);

    boxes.answer(IDOK);
    view->MenuPrinterDelClick();
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(stored(QStringLiteral("Name='HP2'")), 0);
    EXPECT_EQ(stored(QStringLiteral("Name='HP1'")), 1);
    EXPECT_EQ(printers->rowCount(), 1);
}

TEST_F(PrinterList, CtrlDeleteAsksTheGridQuestion)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    open();
    select(0);
    view->DBGrid1->setFocus();
    boxes.answer(IDCANCEL);
    QTest::keyClick(view->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONQUESTION | MB_OKCANCEL));
    EXPECT_EQ(stored(QStringLiteral("1=1")), 1);
    boxes.answer(IDOK);
    QTest::keyClick(view->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(stored(QStringLiteral("1=1")), 0);
    EXPECT_EQ(printers->rowCount(), 0);
}

TEST_F(PrinterList, DeletingANewRowOrInAnEmptyListTouchesNothingStored)
{
    open();
    view->MenuPrinterDelClick();
    view->MenuPrinterSaveClick();
    EXPECT_TRUE(boxes.shown.empty());

    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    window->ShowView(QStringLiteral("PrinterList"));
    view->MenuPrinterAddClick();
    ASSERT_EQ(printers->rowCount(), 2);
    view->MenuPrinterDelClick(); // the new, unnamed row
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(printers->rowCount(), 1);
    EXPECT_EQ(stored(QStringLiteral("1=1")), 1);
}

TEST_F(PrinterList, ThePopupMenuHasItsThreeItemsAndASeparator)
{
    open();
    const QList<QAction *> items = view->pmPrinter->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0], view->MenuPrinterAdd);
    EXPECT_EQ(items[1], view->MenuPrinterDel);
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3], view->MenuPrinterSave);
    view->MenuPrinterAdd->trigger();
    EXPECT_EQ(printers->rowCount(), 1);
}

// Hostile printer and computer names typed into a new row: stored verbatim when the computer is
// known (its name hostile too), refused with the computer message when not; nothing else changes.
TEST_F(PrinterList, HostileNamesAreStoredVerbatimOrRefusedWithAMessage)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    QStringList expected{QStringLiteral("HP1|PC1|1")};
    for (const auto &h : vesk::test::HostileTexts())
        if (!h.text.isEmpty())
            addHost(h.text);
    open();
    for (const auto &h : vesk::test::HostileTexts()) {
        SCOPED_TRACE(h.label);
        for (const QString &host : QStringList{h.text, h.text + QStringLiteral(" (unknown)")}) {
            boxes.shown.clear();
            view->MenuPrinterAddClick();
            const int row = view->DBGrid1->currentIndex().row();
            setCell(row, printers->NameColumn(), h.text);
            setCell(row, printers->HostNameColumn(), host);
            view->MenuPrinterSaveClick();
            if (host == h.text && !h.text.isEmpty()) {
                EXPECT_TRUE(boxes.shown.empty()) << boxTexts().join(u'|').toStdString();
                expected << h.text + u'|' + host + QStringLiteral("|0");
                continue;
            }
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Computer %1 does not exist.").arg(host));
            view->DBGrid1->setFocus();
            QTest::keyClick(view->DBGrid1, Qt::Key_Escape);
            ASSERT_EQ(printers->PendingRow(), -1);
        }
    }
    QStringList rows;
    QSqlQuery q(dm->acntVesk.database());
    ASSERT_TRUE(q.exec(QStringLiteral("select Name, HostName, IsMonitor from tPrinter")));
    while (q.next())
        rows << q.value(0).toString() + u'|' + q.value(1).toString() + u'|' + q.value(2).toString();
    rows.sort();
    expected.sort();
    EXPECT_EQ(rows.join(u'\n').toStdString(), expected.join(u'\n').toStdString());
}

TEST_F(PrinterList, PriceCellsStoreValidEntriesAndRefuseOthers)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    addPrinter(QStringLiteral("Canon"), QStringLiteral("PC2"), 0);
    exec(QStringLiteral("insert into tPrice (PrinterName, MonoPrice) values ('', 2000000)"));
    open();
    QAbstractItemModel *grid = view->DBGrid1->model();
    const int first = printers->columnCount();
    ASSERT_EQ(grid->columnCount(), first + 3);
    EXPECT_EQ(grid->headerData(first, Qt::Horizontal).toString(), QStringLiteral("Mono Price"));
    EXPECT_EQ(grid->headerData(first + 2, Qt::Horizontal).toString(),
              QStringLiteral("Two-sided Factor"));
    EXPECT_FALSE(view->DBGrid1->isColumnHidden(first + 1));
    const int hp1 = rowOf(QStringLiteral("HP1"));
    const struct
    {
        int part;
        const char *text;
        const char *shown; // the cell afterwards
        const char *refusal;
        bool inherited; // the cell shows the default's, greyed
    } entries[] = {
        {0, "0.035", "0.035", nullptr, false},
        {0, "-1", "0.035", "Not a valid price: -1", false},
        {1, "ten", "", "Not a valid price: ten", false},
        {1, "0.000000001", "", "Not a valid price: 0.000000001", false},
        {2, "0.8", "0.8", nullptr, false},
        {2, "0.12345", "0.8", "Not a valid factor: 0.12345", false},
        // Emptied: back on the default.
        {0, " ", "0.02", nullptr, true},
    };
    for (const auto &e : entries) {
        SCOPED_TRACE(e.text);
        boxes.shown.clear();
        const QModelIndex cell = grid->index(hp1, first + e.part);
        ASSERT_TRUE(grid->flags(cell).testFlag(Qt::ItemIsEditable));
        EXPECT_EQ(grid->setData(cell, QLatin1String(e.text)), e.refusal == nullptr);
        EXPECT_EQ(cell.data().toString(), QLatin1String(e.shown));
        EXPECT_EQ(cell.data(Qt::ForegroundRole).isValid(), e.inherited);
        EXPECT_EQ(cell.data(Qt::ToolTipRole).toString().startsWith(QStringLiteral("The default")),
                  e.inherited || !*e.shown);
        if (e.refusal) {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_TRUE(boxes.shown[0].text.startsWith(QLatin1String(e.refusal)));
        } else {
            EXPECT_TRUE(boxes.shown.empty());
        }
    }
    EXPECT_EQ(count(QStringLiteral("select count(*) from tPrice where PrinterName = 'HP1' and "
                                   "MonoPrice is null and ColourPrice is null and "
                                   "DuplexFactor = 8000")),
              1);
    // The last part emptied: the printer leaves the price list.
    EXPECT_TRUE(grid->setData(grid->index(hp1, first + 2), QString()));
    EXPECT_EQ(count(QStringLiteral("select count(*) from tPrice where PrinterName = 'HP1'")), 0);
    // The other printer keeps the default; a printer not yet stored has no prices to edit.
    EXPECT_EQ(grid->index(rowOf(QStringLiteral("Canon")), first).data().toString(),
              QStringLiteral("0.02"));
    view->MenuPrinterAddClick();
    const int added = view->DBGrid1->currentIndex().row();
    EXPECT_FALSE(grid->flags(grid->index(added, first)).testFlag(Qt::ItemIsEditable));
}
