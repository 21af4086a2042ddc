// Title-click sorting: the alternation, the marks outliving a search, the database's order.
#include "PrinterDataSearch.h"
#include "SortState.h"
#include "ViewsFixture.h"

using namespace vesk;
using namespace vesk::test;

TEST(SortMarks, ThreeClicksSortDescendingAscendingDescendingPerField)
{
    SortMarks m;
    EXPECT_EQ(m.click(QStringLiteral("PrintTime")), QStringLiteral("PrintTime DESC"));
    EXPECT_EQ(m.click(QStringLiteral("PrintTime")), QStringLiteral("PrintTime ASC"));
    EXPECT_EQ(m.click(QStringLiteral("printtime")), QStringLiteral("printtime DESC"));
    // Each field has its own mark.
    EXPECT_EQ(m.click(QStringLiteral("hostName")), QStringLiteral("hostName DESC"));
    EXPECT_EQ(m.mark(QStringLiteral("PRINTTIME")), 1);
}

namespace {

class Sorting : public ViewsFixture
{
protected:
    Sorting()
    {
        addPrint({"Laser", "a.doc", "pc-b", 3, "2024-03-02 10:00:00", "Sales", "Ann"});
        addPrint({"Laser", "b.doc", "PC-A", 1, "2024-03-03 10:00:00", "Sales", "Ann"});
        addPrint({"Laser", "c.doc", "pc-c", 2, "2024-03-01 10:00:00", "Sales", "Ann"});
        addPrint({"Laser", "d.doc", "pc-d", 10, "2023-01-01 10:00:00", "Sales", "Ann"});
    }

    QString docs() { return column(*dm.aqryPrinterData, "documentName").join(u','); }
};

} // namespace

TEST_F(Sorting, TitleClicksSortInTheDatabaseAndMarksSurviveASearch)
{
    ViewStatement v(*dm.aqryPrinterData);
    ASSERT_TRUE(v.run(PrinterDataAllStatement()));
    ASSERT_TRUE(v.sortBy(QStringLiteral("PrintTime")));
    EXPECT_EQ(docs(), QStringLiteral("b.doc,a.doc,c.doc,d.doc"));
    EXPECT_EQ(dm.aqryPrinterData->SQL,
              QStringLiteral("select * from tPrinterData order by PrintTime DESC"));
    ASSERT_TRUE(v.sortBy(QStringLiteral("PrintTime")));
    EXPECT_EQ(docs(), QStringLiteral("d.doc,c.doc,a.doc,b.doc"));
    ASSERT_TRUE(v.sortBy(QStringLiteral("PrintTime")));
    EXPECT_EQ(docs(), QStringLiteral("b.doc,a.doc,c.doc,d.doc"));
    // Numbers sort as numbers, text without regard to letter case.
    ASSERT_TRUE(v.sortBy(QStringLiteral("TotalPageCount")));
    EXPECT_EQ(docs(), QStringLiteral("d.doc,a.doc,c.doc,b.doc"));
    ASSERT_TRUE(v.sortBy(QStringLiteral("hostName")));
    EXPECT_EQ(docs(), QStringLiteral("d.doc,c.doc,a.doc,b.doc"));

    // A search drops the sort but keeps the marks: PrintTime was last sorted descending.
    const SearchStatement s =
        PrinterDataSearch({QDate(2024, 3, 1), QDate(2024, 3, 31), {}, {}, {}, {}, {}});
    ASSERT_TRUE(v.run(s.statement));
    EXPECT_TRUE(v.sortText().isEmpty());
    EXPECT_EQ(dm.aqryPrinterData->SQL, s.statement);
    ASSERT_TRUE(v.sortBy(QStringLiteral("PrintTime")));
    EXPECT_EQ(dm.aqryPrinterData->SQL, s.statement + QStringLiteral(" order by PrintTime ASC"));
    EXPECT_EQ(docs(), QStringLiteral("c.doc,a.doc,b.doc"));
}

TEST_F(Sorting, OnlyPlainColumnNamesReachTheStatement)
{
    ViewStatement v(*dm.aqryPrinterData);
    ASSERT_TRUE(v.run(PrinterDataAllStatement()));
    QString error;
    EXPECT_FALSE(v.sortBy(QStringLiteral("PrintTime; drop table tPrinterData"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(dm.aqryPrinterData->SQL, PrinterDataAllStatement());
}

TEST_F(Sorting, AStatementReplacedByOthersIsTheOneSorted)
{
    ViewStatement v(*dm.aqryPrinterData);
    ASSERT_TRUE(v.run(PrinterDataAllStatement()));
    dm.aqryPrinterData->SQL =
        QStringLiteral("select * from tPrinterData where hostName like 'pc-%'");
    ASSERT_TRUE(v.sortBy(QStringLiteral("documentName")));
    EXPECT_EQ(docs(), QStringLiteral("d.doc,c.doc,b.doc,a.doc"));
    EXPECT_TRUE(
        dm.aqryPrinterData->SQL.startsWith(QStringLiteral("select * from tPrinterData where")));
}
