// The scope table of routes x accounts, run on each engine.
#include "Schema.h"
#include "WebFixture.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

namespace vesk::test {

// Each route, as each account, with another department's names in the URL: nothing of that
// department appears, in the page or the download.
void ExpectScopeKept(WebFixture &f)
{
    f.addAccounts();
    f.addRecord(Finance, 3);
    f.addRecord(Payroll, 5);
    // Stored in another letter case than the department's name: still in its scope.
    f.addRecord({"PAYROLL", "PayPrinter", "PAY-PC", "Bob", "pay-slips.pdf"}, 4);
    f.addRecord(Sales, 700);
    f.addRecord(Sales, 700);
    // A cent a page; budgets of every department; Sales's printer below its paper's minimum.
    for (const char *s :
         {"update tPrinterData set Cost = TotalPageCount",
          "insert into tBudget (DeptName, Amount) values ('Finance', 10), ('Payroll', 50), "
          "('Sales', 5)",
          "insert into tPageManager (PrinterName, PageType, PageCount, MoneyCount, BuyDate) "
          "values ('SalesPrinter', 'A4', 10, 100, '2000-01-01 00:00:00')",
          "insert into tPageType (PageType, MinCount) values ('A4', 2000)"})
        ASSERT_TRUE(QSqlQuery(f.db).exec(QLatin1String(s))) << s;
    QSqlQuery keyQuery =
        f.db.exec(QStringLiteral("select max(%1) from tPrinterData where DeptName='Sales'")
                      .arg(pagingKey(f.db, QStringLiteral("tPrinterData"))));
    ASSERT_TRUE(keyQuery.next());
    const qint64 salesKey = keyQuery.value(0).toLongLong();
    const QStringList salesTexts{"Sales", "SalesPrinter", "SALES-PC",
                                 "Carol", "sales-secret", "1400"};
    const QStringList financeTexts{"FinPrinter", "FIN-PC", "Alice"};

    struct Case
    {
        const char *account;
        QString url;
        int status;
        bool seesSales;
        bool seesFinance;
    };
    const QString after = QString::number(salesKey);
    const Case cases[] = {
        {"head", "/overview", 200, false, true},
        {"head", "/overview?period=year", 200, false, true},
        {"head", "/overview?dept=Sales", 403, false, false},
        {"head", "/overview?dept=sales", 403, false, false},
        {"head", "/overview?dept=Payroll", 200, false, false},
        {"head", "/history", 200, false, true},
        {"head", "/history?dept=Sales", 403, false, false},
        {"head", "/history?computer=SALES-PC", 200, false, false},
        {"head", "/history?employee=Carol&printer=SalesPrinter", 200, false, false},
        {"head", "/history?after=" + after, 404, false, false},
        {"head", "/history?before=" + after, 404, false, false},
        {"head", "/history?dept=Finance&after=" + after, 404, false, false},
        {"head", "/history?sort=DeptName&dir=asc", 200, false, true},
        {"head", "/download/history.csv", 200, false, true},
        {"head", "/download/history.csv?dept=Sales", 403, false, false},
        {"head", "/download/history.csv?computer=SALES-PC", 200, false, false},
        {"head", "/download/history.xlsx", 200, false, true},
        {"head", "/download/history.xlsx?dept=Sales", 403, false, false},
        {"head", "/download/history.xlsx?printer=SalesPrinter", 200, false, false},
        {"head", "/download/report.pdf", 200, false, true},
        {"head", "/download/report.pdf?dept=Sales", 403, false, false},
        {"head", "/download/report.pdf?group=host", 200, false, true},
        {"head", "/download/report.pdf?employee=Carol", 200, false, false},
        {"sales", "/overview", 200, true, false},
        {"sales", "/history?dept=Finance", 403, false, false},
        {"sales", "/history?dept=Payroll", 403, false, false},
        {"sales", "/download/history.csv", 200, true, false},
        {"sales", "/download/history.xlsx", 200, true, false},
        {"sales", "/download/report.pdf?group=dept", 200, true, false},
        {"admin", "/overview", 200, true, true},
        {"admin", "/history?dept=Sales", 200, true, false},
        {"admin", "/download/history.csv", 200, true, true},
        {"admin", "/download/history.xlsx", 200, true, true},
        {"admin", "/download/report.pdf", 200, true, true},
    };
    QHash<QString, QByteArray> cookies;
    for (const char *name : {"head", "sales", "admin"})
        cookies[QLatin1String(name)] = f.signIn(QLatin1String(name));
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.account) + " " + c.url.toStdString());
        web::Response r = f.get(c.url, cookies[QLatin1String(c.account)]);
        EXPECT_EQ(r.status, c.status);
        const QString body = textOf(f, c.url, bodyOf(std::move(r)));
        for (const QString &t : salesTexts) {
            // What the URL itself asks for is shown back in the search form.
            if (!c.seesSales && !c.url.contains(t, Qt::CaseInsensitive)) {
                EXPECT_FALSE(body.contains(t)) << t.toStdString();
            }
        }
        if (c.seesSales) {
            EXPECT_TRUE(body.contains(u"SALES-PC"));
        }
        for (const QString &t : financeTexts)
            EXPECT_EQ(body.contains(t), c.seesFinance) << t.toStdString();
    }
    // The head's overview counts its own subtree: 3 + 5 + 4 pages, 3 jobs.
    const QByteArray overview = f.get(QStringLiteral("/overview"), cookies["head"]).body;
    EXPECT_TRUE(overview.contains("Pages<b>12</b>"));
    EXPECT_TRUE(overview.contains("Jobs<b>3</b>"));
    EXPECT_TRUE(overview.contains("<svg class=\"trend\""));
    // Its budgets: Finance's spending holds Payroll's, past its budget; no paper stock.
    EXPECT_TRUE(overview.contains("<td>Finance</td><td>0.10</td><td>0.12</td>")) << overview.data();
    EXPECT_TRUE(overview.contains("120.00 % !"));
    EXPECT_TRUE(overview.contains("<td>Payroll</td><td>0.50</td><td>0.09</td>"));
    EXPECT_FALSE(overview.contains("class=\"paper\""));
    const QByteArray sales = f.get(QStringLiteral("/overview"), cookies["sales"]).body;
    EXPECT_TRUE(sales.contains("<td>Sales</td><td>0.05</td><td>14.00</td>"));
    EXPECT_FALSE(sales.contains("Payroll"));
    const QByteArray admin = f.get(QStringLiteral("/overview"), cookies["admin"]).body;
    EXPECT_TRUE(admin.contains("<tr class=\"over\"><td>SalesPrinter</td><td>A4</td>"));
    // [Cost] Currency's code and decimals on every page: no decimals for yen.
    f.app->currency = CurrencyOf(QStringLiteral("JPY"));
    EXPECT_TRUE(f.get(QStringLiteral("/overview"), cookies["head"]).body.contains("<b>12 JPY</b>"));
    EXPECT_TRUE(f.get(QStringLiteral("/history"), cookies["head"]).body.contains(">3 JPY</td>"));
}

} // namespace vesk::test
