// The searches on a real SQLite file: date range, AND order, wildcards, letter case.
#include "HostSearch.h"
#include "PrinterDataSearch.h"
#include "SortState.h"
#include "ViewsFixture.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class SearchResults : public ViewsFixture
{
protected:
    SearchResults()
    {
        addPrint({"Laser", "a.doc", "PC-01", 1, "2024-03-01 00:00:00", "Sales", "Ann"});
        addPrint({"Laser", "b.doc", "PC-01", 2, "2024-03-10 09:30:00", "Sales", "Ann"});
        addPrint({"Inkjet", "c.doc", "PC-02", 3, "2024-03-31 00:00:00", "Stores", "Bob"});
        addPrint({"Inkjet", "d.doc", "PC-02", 4, "2024-03-31 08:00:00", "Stores", "Bob"});
        addPrint({"Laser", "e.doc", "PCX01", 5, "2024-02-29 23:59:59", "Sales", "O'Neil"});
        addPrint({"Laser_2", "f.doc", "pc-03", 6, "2024-03-05 12:00:00", "sales east", "ann"});
    }

    QStringList docs(const PrinterDataCriteria &c)
    {
        ViewStatement v(*dm.aqryPrinterData);
        QString error;
        EXPECT_TRUE(v.run(PrinterDataSearch(c).statement, &error)) << error.toStdString();
        QStringList d = column(*dm.aqryPrinterData, QStringLiteral("documentName"));
        d.sort();
        return d;
    }

    PrinterDataCriteria range(QDate b, QDate e)
    {
        PrinterDataCriteria c;
        c.begin = b;
        c.end = e;
        return c;
    }
};

} // namespace

TEST_F(SearchResults, DateRangeEndsAtMidnightOfTheEndDate)
{
    const QDate mar1(2024, 3, 1), mar31(2024, 3, 31);
    // Empty boxes still restrict to the range; 08:00 on the end date is outside it.
    EXPECT_EQ(docs(range(mar1, mar31)).join(u','), QStringLiteral("a.doc,b.doc,c.doc,f.doc"));
    // The same day on both sides finds only what was stamped exactly at midnight.
    EXPECT_EQ(docs(range(mar31, mar31)).join(u','), QStringLiteral("c.doc"));
    // A begin after the end finds nothing.
    EXPECT_TRUE(docs(range(mar31, mar1)).isEmpty());
}

TEST_F(SearchResults, ConditionsAreJoinedWithAnd)
{
    PrinterDataCriteria c = range(QDate(2024, 1, 1), QDate(2024, 12, 31));
    c.host = QStringLiteral("pc-0");
    c.printer = QStringLiteral("laser");
    EXPECT_EQ(docs(c).join(u','), QStringLiteral("a.doc,b.doc,f.doc"));
    c.dept = QStringLiteral("EAST");
    EXPECT_EQ(docs(c).join(u','), QStringLiteral("f.doc"));
    c.em = QStringLiteral("bob");
    EXPECT_TRUE(docs(c).isEmpty());
}

TEST_F(SearchResults, WildcardsLetterCaseQuotesAndBlanks)
{
    PrinterDataCriteria c = range(QDate(2024, 1, 1), QDate(2024, 12, 31));
    c.host = QStringLiteral("PC_01"); // '_' matches the '-' and the 'X'
    EXPECT_EQ(docs(c).join(u','), QStringLiteral("a.doc,b.doc,e.doc"));
    c.host = QStringLiteral(" pc%3 ");
    EXPECT_EQ(docs(c).join(u','), QStringLiteral("f.doc"));
    c.host.clear();
    c.em = QStringLiteral("o'neil");
    EXPECT_EQ(docs(c).join(u','), QStringLiteral("e.doc"));
    // SQL in a box, date conversion and all, is text to look for: nothing runs.
    c.em = QStringLiteral("CDate(\"; delete from tPrinterData; --\")");
    EXPECT_TRUE(docs(c).isEmpty());
    c.em.clear();
    EXPECT_EQ(docs(c).size(), 6);
}

TEST_F(SearchResults, HostSearchAndReset)
{
    addHost("PC-01", "10.0.0.1", "Sales", "Ann", "555-1", "WORKGROUP");
    addHost("PC-02", "10.0.1.2", "Stores", "Bob", "555-2", "WORKGROUP");
    addHost("Lab'1", "192.168.1.9", "Lab", "Cy", "777", "LABNET");
    ViewStatement v(*dm.aqryHost);
    auto hosts = [&](const HostCriteria &c) {
        QString error;
        EXPECT_TRUE(v.run(HostSearch(c).statement, &error)) << error.toStdString();
        QStringList h = column(*dm.aqryHost, QStringLiteral("HostName"));
        h.sort();
        return h.join(u',');
    };
    HostCriteria c;
    EXPECT_EQ(hosts(c), QStringLiteral("Lab'1,PC-01,PC-02"));
    c.ip = QStringLiteral("10.0._.");
    EXPECT_EQ(hosts(c), QStringLiteral("PC-01,PC-02"));
    c.dept = QStringLiteral(" STORES ");
    EXPECT_EQ(hosts(c), QStringLiteral("PC-02"));
    HostCriteria quoted;
    quoted.host = QStringLiteral("lab'");
    quoted.net = QStringLiteral("labnet");
    EXPECT_EQ(hosts(quoted), QStringLiteral("Lab'1"));
    EXPECT_TRUE(v.run(HostAllStatement()));
    EXPECT_EQ(column(*dm.aqryHost, QStringLiteral("HostName")).size(), 3);
}
