// The console on a database that another program writes while the console's grids are open.
#include "ConsoleFixture.h"
#include "MessageFlags.h"
#include "PagedQueryModel.h"
#include "PrinterDataView.h"
#include "PrinterListAccess.h"
#include "RecordGrid.h"

using namespace vesk;

namespace {

using SharedDatabase = vesk::test::PrinterListAccess<vesk::test::ConsoleFixture>;

// `count` rows from one insert ... select over the numbers 1..count (named i).
QString numbered(int count, const QString &insertSelect)
{
    return QStringLiteral(
               "with recursive n(i) as (select 1 union all select i+1 from n where i<%1) ")
               .arg(count) +
           insertSelect + QStringLiteral(" from n");
}

} // namespace

// More rows than one page in every grid: the first pages are read, then another program saves.
// The console must see its rows and every write of the console must go through.
TEST_F(SharedDatabase, AfterAnotherProgramSavedTheConsoleSeesItAndWrites)
{
    const int many = 2 * PagedQueryModel::PageRows + 10;
    exec(numbered(many, QStringLiteral("insert into tPrinterData (PrinterName, documentName, "
                                       "hostName, TotalPageCount, PrintTime) select 'Laser', "
                                       "'doc' || i, 'PC1', 1, '2026-03-02 09:41:17'")));
    exec(numbered(many, QStringLiteral("insert into tHost (HostName) select 'PC' || i")));
    exec(numbered(many, QStringLiteral("insert into tPrinter (Name, HostName, IsMonitor) "
                                       "select 'P' || i, 'PC1', 0")));
    open();
    PrinterDataView *history = window->plPrinterData;
    QAbstractItemModel *records = history->dbPrinterData->model();
    ASSERT_TRUE(records->canFetchMore({}));
    ASSERT_TRUE(dm->aqryHost->model()->canFetchMore({}));

    exec(QStringLiteral("begin immediate"));
    exec(QStringLiteral("insert into tHost (HostName) values ('AGENT-PC')"));
    exec(QStringLiteral("insert into tPrinter (Name, HostName, IsMonitor) values ('Agent-P', "
                        "'AGENT-PC', 1)"));
    exec(QStringLiteral("insert into tPrinterData (PrinterName, documentName) values ('Agent-P', "
                        "'new.doc')"));
    exec(QStringLiteral("commit"));

    EXPECT_TRUE(dm->RecordExists(QStringLiteral("tHost"), QStringLiteral("HostName"),
                                 QStringLiteral("agent-pc")));
    ASSERT_TRUE(view->ReopenPrinters());
    EXPECT_GE(rowOf(QStringLiteral("Agent-P")), 0);

    // Printer list: store, then delete.
    const int p1 = rowOf(QStringLiteral("P1"));
    select(p1);
    setCell(p1, printers->IsMonitorColumn(), 1);
    view->MenuPrinterSaveClick();
    EXPECT_EQ(stored(QStringLiteral("Name='P1' and IsMonitor=1")), 1);
    select(rowOf(QStringLiteral("P2")));
    boxes.answer(IDOK);
    view->MenuPrinterDelClick();
    EXPECT_EQ(stored(QStringLiteral("Name='P2'")), 0);

    // History: delete, then edit, with the grid scrolled past its first page.
    history->dbPrinterData->goToRow(many - 1);
    EXPECT_EQ(records->rowCount(), many + 1);
    history->MenudeletedataClick();
    EXPECT_EQ(count(QStringLiteral("select count(*) from tPrinterData")), many);
    const int pages = dm->aqryPrinterData->columnOf(QStringLiteral("TotalPageCount"));
    EXPECT_TRUE(records->setData(records->index(0, pages), 42));
    EXPECT_EQ(count(QStringLiteral("select count(*) from tPrinterData where TotalPageCount=42")),
              1);
    EXPECT_EQ(boxes.shown.size(), 2u) << boxTexts().join(u'|').toStdString();
}
