// The two searches' statements as exact texts, spacing included.
#include "HostSearch.h"
#include "PrinterDataSearch.h"

#include <gtest/gtest.h>

using namespace vesk;

namespace {

std::string str(const QString &s)
{
    return s.toStdString();
}

PrinterDataCriteria march(QString host, QString printer, QString dept, QString em,
                          JobFilter job = {})
{
    return {QDate(2024, 3, 1), QDate(2024, 3, 31), host, printer, dept, em, job};
}

} // namespace

TEST(PrinterDataStatement, AllBoxesInTheOrderComputerPrinterDepartmentEmployee)
{
    const SearchStatement s =
        PrinterDataSearch(march(QStringLiteral("host"), QStringLiteral("printer"),
                                QStringLiteral("department"), QStringLiteral("employee")));
    EXPECT_EQ(str(s.statement),
              "select * from tPrinterData  where PrintTime>=CDate(\"2024-03-01\")  AND "
              "PrintTime<=CDate(\"2024-03-31\") AND hostName like '%host%' AND PrinterName like "
              "'%printer%' AND DeptName like '%department%' AND EmName like '%employee%'");
    EXPECT_EQ(str(s.filter),
              " where PrintTime>=CDate(\"2024-03-01\")  AND PrintTime<=CDate(\"2024-03-31\") AND "
              "hostName like '%host%' AND PrinterName like '%printer%' AND DeptName like "
              "'%department%' AND EmName like '%employee%'");
}

TEST(PrinterDataStatement, SomeBoxesNoBoxesTrimmedAndQuoted)
{
    EXPECT_EQ(
        str(PrinterDataSearch(march({}, QStringLiteral("  Laser 2 "), {}, QStringLiteral("O'Neil")))
                .statement),
        "select * from tPrinterData  where PrintTime>=CDate(\"2024-03-01\")  AND "
        "PrintTime<=CDate(\"2024-03-31\") AND PrinterName like '%Laser 2%' AND EmName like "
        "'%O''Neil%'");
    // No box: the date range alone. Blank-only boxes count as empty.
    const SearchStatement none = PrinterDataSearch(march(QStringLiteral("   "), {}, {}, {}));
    EXPECT_EQ(str(none.filter),
              " where PrintTime>=CDate(\"2024-03-01\")  AND PrintTime<=CDate(\"2024-03-31\")");
    EXPECT_EQ(str(none.statement), "select * from tPrinterData " + str(none.filter));
    // A quote cannot end the value early, whatever follows it.
    EXPECT_EQ(
        str(PrinterDataSearch(march(QStringLiteral("x' or 1=1 --"), {}, {}, {})).filter).substr(73),
        " AND hostName like '%x'' or 1=1 --%'");
    EXPECT_EQ(str(PrinterDataAllStatement()), "select * from tPrinterData");
}

TEST(PrinterDataStatement, JobConditionsFollowTheNameBoxes)
{
    const struct
    {
        JobFilter job;
        const char *tail;
    } cases[] = {
        {{}, " AND EmName like '%e%'"},
        {{JobOutcome::Cancelled, {}, {}}, " AND EmName like '%e%' AND JobOutcome=2"},
        {{{}, true, false}, " AND EmName like '%e%' AND ColorPrint=1 AND Duplex=0"},
        {{JobOutcome::Printed, false, true},
         " AND EmName like '%e%' AND JobOutcome=1 AND ColorPrint=0 AND Duplex=1"},
    };
    for (const auto &c : cases) {
        const QString filter =
            PrinterDataSearch(march({}, {}, {}, QStringLiteral("e"), c.job)).filter;
        EXPECT_TRUE(filter.endsWith(QLatin1String(c.tail))) << str(filter);
    }
}

TEST(HostStatement, WhereRewriteKeepsTwoBlanksEachSide)
{
    HostCriteria c;
    c.host = QStringLiteral("pc");
    c.dept = QStringLiteral(" sales ");
    const SearchStatement two = HostSearch(c);
    EXPECT_EQ(str(two.statement),
              "select * from tHost  where  hostName like '%pc%' AND DeptName like '%sales%'");
    EXPECT_EQ(str(two.filter), " where  hostName like '%pc%' AND DeptName like '%sales%'");

    HostCriteria ip;
    ip.ip = QStringLiteral("10.0.");
    EXPECT_EQ(str(HostSearch(ip).filter), " where  IP like '%10.0.%'");

    HostCriteria all{QStringLiteral("h"), QStringLiteral("d"),    QStringLiteral("e"),
                     QStringLiteral("i"), QStringLiteral("t'el"), QStringLiteral("n")};
    EXPECT_EQ(str(HostSearch(all).statement),
              "select * from tHost  where  hostName like '%h%' AND DeptName like '%d%' AND "
              "EmName like '%e%' AND IP like '%i%' AND Tel like '%t''el%' AND tNetGroup like "
              "'%n%'");

    HostCriteria none;
    none.net = QStringLiteral("  ");
    EXPECT_EQ(str(HostSearch(none).statement), "select * from tHost ");
    EXPECT_TRUE(HostSearch(none).filter.isEmpty());
    EXPECT_EQ(str(HostAllStatement()), "select * from tHost");
}
