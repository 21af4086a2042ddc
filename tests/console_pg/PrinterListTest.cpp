// The printer list on PostgreSQL: stored rows and titles, the row check, adding, saving,
// leaving an edited row, and deleting.
#include "MessageFlags.h"
#include "PgConsoleFixture.h"
#include "PrinterListAccess.h"
#include "PrinterListView.h"

#include <QCoreApplication>
#include <QTableView>

using namespace vesk;
using namespace vesk::test;

namespace {

using PgPrinterList = PrinterListAccess<PgConsoleFixture>;

} // namespace

TEST_F(PgPrinterList, ShowsTheStoredPrintersWithCatalogueTitles)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    addPrinter(QStringLiteral("Canon"), QStringLiteral("PC2"), 0);
    open();
    ASSERT_EQ(printers->rowCount(), 2);
    ASSERT_GE(printers->NameColumn(), 0);
    ASSERT_GE(printers->HostNameColumn(), 0);
    ASSERT_GE(printers->IsMonitorColumn(), 0);
    int shown = 0;
    for (int c = 0; c < printers->columnCount(); ++c)
        shown += view->DBGrid1->isColumnHidden(c) ? 0 : 1;
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(printers->headerData(printers->NameColumn(), Qt::Horizontal).toString(),
              QStringLiteral("Printer"));
    EXPECT_EQ(printers->headerData(printers->IsMonitorColumn(), Qt::Horizontal).toString(),
              QStringLiteral("Monitored"));
    EXPECT_EQ(cell(rowOf(QStringLiteral("HP1")), printers->IsMonitorColumn()).toInt(), 1);
    EXPECT_TRUE(boxes.shown.empty()) << boxTexts().join(u'|').toStdString();
}

TEST_F(PgPrinterList, ANewRowIsCheckedThenStored)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    addHost(QStringLiteral("Accounts-7"), {}, {}, {}, {});
    open();
    view->MenuPrinterAddClick();
    ASSERT_EQ(printers->rowCount(), 2);
    const int row = view->DBGrid1->currentIndex().row();
    EXPECT_EQ(cell(row, printers->IsMonitorColumn()).toInt(), 0);
    setCell(row, printers->NameColumn(), QStringLiteral("Laser 'A'"));
    setCell(row, printers->HostNameColumn(), QStringLiteral("GHOST"));
    view->MenuPrinterSaveClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Computer GHOST does not exist."));
    EXPECT_TRUE(printers->RowPending(row));
    EXPECT_EQ(stored(QStringLiteral("1=1")), 1);

    setCell(row, printers->HostNameColumn(), QStringLiteral("accounts-7"));
    setCell(row, printers->IsMonitorColumn(), 2);
    view->MenuPrinterSaveClick();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text,
              QStringLiteral("Enter 1 to monitor the printer or 0 not to monitor it."));

    // A host the directory lists, in another letter case, and a host only a printer names.
    setCell(row, printers->IsMonitorColumn(), 1);
    view->MenuPrinterSaveClick();
    EXPECT_EQ(boxes.shown.size(), 2u) << boxTexts().join(u'|').toStdString();
    EXPECT_EQ(stored(QStringLiteral("Name::text='Laser ''A''' and HostName='Accounts-7' and "
                                    "IsMonitor=1")),
              1);
    EXPECT_EQ(printers->PendingRow(), -1);
    EXPECT_EQ(currentName(), QStringLiteral("Laser 'A'"));

    view->MenuPrinterAddClick();
    const int next = view->DBGrid1->currentIndex().row();
    setCell(next, printers->NameColumn(), QStringLiteral("Kyocera"));
    setCell(next, printers->HostNameColumn(), QStringLiteral("pc1"));
    view->MenuPrinterSaveClick();
    EXPECT_EQ(boxes.shown.size(), 2u) << boxTexts().join(u'|').toStdString();
    EXPECT_EQ(stored(QStringLiteral("Name='Kyocera' and IsMonitor=0")), 1);
    EXPECT_EQ(printers->rowCount(), 3);
}

TEST_F(PgPrinterList, LeavingAnEditedRowStoresItAndTheCursorLandsOnTheChosenPrinter)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    addPrinter(QStringLiteral("HP2"), QStringLiteral("PC1"), 1);
    addPrinter(QStringLiteral("HP3"), QStringLiteral("PC1"), 1);
    open();
    const int hp1 = rowOf(QStringLiteral("HP1"));
    select(hp1);
    setCell(hp1, printers->IsMonitorColumn(), 2);
    select(rowOf(QStringLiteral("HP2")));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(currentName(), QStringLiteral("HP1")); // refused: back on the edited row
    EXPECT_EQ(stored(QStringLiteral("Name='HP1' and IsMonitor=1")), 1);

    setCell(hp1, printers->IsMonitorColumn(), 0);
    select(rowOf(QStringLiteral("HP2")));
    EXPECT_EQ(boxes.shown.size(), 1u) << boxTexts().join(u'|').toStdString();
    EXPECT_EQ(stored(QStringLiteral("Name='HP1' and IsMonitor=0")), 1);
    EXPECT_EQ(printers->PendingRow(), -1);
    EXPECT_EQ(currentName(), QStringLiteral("HP2"));

    // Saved from the menu, the cursor stays on the printer saved.
    const int hp3 = rowOf(QStringLiteral("HP3"));
    select(hp3);
    setCell(hp3, printers->IsMonitorColumn(), 0);
    view->MenuPrinterSaveClick();
    EXPECT_EQ(stored(QStringLiteral("Name='HP3' and IsMonitor=0")), 1);
    EXPECT_EQ(currentName(), QStringLiteral("HP3"));
}

TEST_F(PgPrinterList, DeletingRemovesTheChosenPrinterOnly)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    addPrinter(QStringLiteral("HP2"), QStringLiteral("PC1"), 0);
    open();
    select(rowOf(QStringLiteral("HP2")));
    boxes.answer(IDCANCEL);
    view->MenuPrinterDelClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Delete printer HP2?"));
    EXPECT_EQ(stored(QStringLiteral("1=1")), 2);

    boxes.answer(IDOK);
    view->MenuPrinterDelClick();
    EXPECT_EQ(boxes.shown.size(), 2u) << boxTexts().join(u'|').toStdString();
    EXPECT_EQ(stored(QStringLiteral("Name='HP2'")), 0);
    EXPECT_EQ(stored(QStringLiteral("Name='HP1'")), 1);
    EXPECT_EQ(printers->rowCount(), 1);
}
