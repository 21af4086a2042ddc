// Budgets and paper stock on both engines: spending summed over sub-departments, months cut at
// their edges, the forecast; sheets used by two-sided jobs, papers matched by size, minimums.
#include "BudgetBook.h"
#include "Database.h"
#include "PaperStock.h"
#include "PostgresServer.h"
#include "TestAppDir.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace vesk;

namespace {

class BudgetStock : public test::EngineCase
{
protected:
    BudgetStock() : EngineCase(QStringLiteral("budget")) {}
    // A print record: its time, department, printer, paper, pages, outcome, pages printed,
    // two-sided and cost (minor units).
    void record(const char *time, const char *dept, const char *printer, const char *paper,
                int pages, QVariant outcome, QVariant printed, int duplex, qint64 cost)
    {
        exec(QStringLiteral("insert into tPrinterData (PrintTime, DeptName, PrinterName, "
                            "PageSize, TotalPageCount, JobOutcome, PagesPrinted, Duplex, Cost) "
                            "values (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
             {QString::fromUtf8(time), QString::fromUtf8(dept), QString::fromUtf8(printer),
              QString::fromUtf8(paper), pages, outcome, printed, duplex, cost});
    }
};

TEST_P(BudgetStock, SpendingAgainstBudgets)
{
    if (!db().isValid())
        return;
    // Sales > Sales East > East Shop; Lab on its own.
    exec(QStringLiteral("insert into tDept (Name, SuperName) values ('Sales', '-1'), "
                        "('Sales East', 'Sales'), ('East Shop', 'sales east'), ('Lab', '-1')"));
    const QVariant none;
    record("2026-02-28 23:59:59", "Sales", "P", "A4", 1, none, none, 0, 1000); // February
    record("2026-03-01 00:00:00", "Sales", "P", "A4", 1, none, none, 0, 300);
    record("2026-03-15 12:00:00", "sales east", "P", "A4", 1, none, none, 0, 200);
    record("2026-03-31 23:59:59", "East Shop", "P", "A4", 1, none, none, 0, 120);
    record("2026-04-01 00:00:00", "East Shop", "P", "A4", 1, none, none, 0, 7000); // April
    record("2026-03-10 08:00:00", "Lab", "P", "A4", 1, none, none, 0, 50);
    BudgetBook book(db());
    QString error;
    ASSERT_TRUE(book.setBudget(QStringLiteral("SALES"), 500, &error)) << error.toStdString();
    ASSERT_TRUE(book.setBudget(QStringLiteral("East Shop"), 100, &error));
    ASSERT_TRUE(book.setBudget(QStringLiteral("East Shop"), 240, &error)); // replaced
    EXPECT_FALSE(book.setBudget(QStringLiteral("Nowhere"), 1, &error));

    const struct
    {
        const char *dept, *month, *today;
        int level;
        std::optional<qint64> budget;
        qint64 spent, forecast;
        QString share;
        bool over;
    } cases[] = {
        // Sales: its own, Sales East's and East Shop's, past its budget.
        {"Sales", "2026-03-01", "2026-04-02", 0, 500, 620, 620, "124.00 %", true},
        {"Sales East", "2026-03-01", "2026-04-02", 1, {}, 320, 320, "", false},
        {"East Shop", "2026-03-01", "2026-04-02", 2, 240, 120, 120, "50.00 %", false},
        {"Lab", "2026-03-01", "2026-04-02", 0, {}, 50, 50, "", false},
        // On the 10th of 31 days: 50 / 10 x 31; 620 / 10 x 31 = 1922.
        {"Lab", "2026-03-01", "2026-03-10", 0, {}, 50, 155, "", false},
        {"Sales", "2026-03-01", "2026-03-10", 0, 500, 620, 1922, "124.00 %", true},
        // February's last second, April's first; a month not begun yet forecasts nothing.
        {"Sales", "2026-02-01", "2026-04-02", 0, 500, 1000, 1000, "200.00 %", true},
        {"East Shop", "2026-04-01", "2026-03-31", 2, 240, 7000, 0, "2916.67 %", true},
    };
    for (const auto &c : cases) {
        const auto lines =
            book.month(QDate::fromString(QString::fromUtf8(c.month), Qt::ISODate),
                       QDate::fromString(QString::fromUtf8(c.today), Qt::ISODate), &error);
        ASSERT_TRUE(lines) << error.toStdString();
        const auto l = std::find_if(lines->begin(), lines->end(), [&c](const BudgetLine &b) {
            return b.dept == QString::fromUtf8(c.dept);
        });
        ASSERT_NE(l, lines->end()) << c.dept;
        const std::string at = std::string(c.dept) + " " + c.month + " on " + c.today;
        EXPECT_EQ(l->level, c.level) << at;
        EXPECT_EQ(l->budget, c.budget) << at;
        EXPECT_EQ(l->spent, c.spent) << at;
        EXPECT_EQ(l->forecast, c.forecast) << at;
        EXPECT_EQ(ShareText(l->shareBp), c.share) << at;
        EXPECT_EQ(l->over, c.over) << at;
    }
}

TEST_P(BudgetStock, PaperLeftPerPrinter)
{
    if (!db().isValid())
        return;
    exec(QStringLiteral("insert into tPrinter (Name) values ('P1'), ('P2')"));
    PaperStock stock(db());
    QString error;
    const auto buy = [&](const char *printer, const char *paper, qint64 sheets, qint64 money,
                         const char *date) {
        PaperPurchase p;
        p.printer = QString::fromUtf8(printer);
        p.paper = QString::fromUtf8(paper);
        p.sheets = sheets;
        p.money = money;
        p.bought = QDate::fromString(QString::fromUtf8(date), Qt::ISODate);
        ASSERT_TRUE(stock.buy(p, &error)) << error.toStdString();
    };
    buy("P1", "A4", 500, 2500, "2026-03-01");
    buy("p1", "iso_a4_210x297mm", 500, 2600, "2026-03-05"); // the same paper, named as first
    buy("P1", "A3", 100, 1000, "2026-03-01");
    buy("P2", "A4", 10, 0, "2026-03-01");
    const QVariant none;
    // Before the first purchase: not counted.
    record("2026-02-28 23:59:59", "D", "P1", "A4", 100, none, none, 0, 0);
    // Two-sided: 5 pages on 3 sheets; 10 one-sided; a stored paper name of the same size.
    record("2026-03-01 00:00:00", "D", "P1", "A4", 5, none, none, 1, 0);
    record("2026-03-02 09:00:00", "D", "P1", "iso_a4_210x297mm", 10, none, none, 0, 0);
    record("2026-03-03 09:00:00", "D", "P1", "A4 sheet, 210- by 297-millimeters", 4, 1, 4, 1, 0);
    // Cancelled before printing; aborted after 3 pages, two-sided: 2 sheets.
    record("2026-03-04 09:00:00", "D", "P1", "A4", 50, 2, 0, 0, 0);
    record("2026-03-04 10:00:00", "D", "P1", "A4", 50, 3, 3, 1, 0);
    record("2026-03-04 11:00:00", "D", "P1", "A3", 7, none, none, 1, 0);
    record("2026-03-04 12:00:00", "D", "P2", "Letter", 9, none, none, 0, 0); // no Letter bought
    ASSERT_TRUE(stock.setMinimum(QStringLiteral("A4"), 10, &error));
    ASSERT_TRUE(stock.setMinimum(QStringLiteral("iso_a4_210x297mm"), 985, &error)); // replaces

    const auto lines = stock.stock(&error);
    ASSERT_TRUE(lines) << error.toStdString();
    const struct
    {
        const char *printer, *paper;
        qint64 bought, used;
        std::optional<qint64> minimum;
        bool below;
        qint64 sheetPrice; // millionths of a minor unit
    } cases[] = {
        {"P1", "A3", 100, 4, {}, false, 10000000},
        {"P1", "A4", 1000, 17, 985, true, 5100000},
        {"P2", "A4", 10, 0, 985, true, 0},
    };
    ASSERT_EQ(lines->size(), std::size(cases));
    for (size_t i = 0; i < lines->size(); ++i) {
        const StockLine &l = (*lines)[i];
        const auto &c = cases[i];
        EXPECT_EQ(l.printer, QString::fromUtf8(c.printer)) << i;
        EXPECT_EQ(l.paper, QString::fromUtf8(c.paper)) << i;
        EXPECT_EQ(l.bought, c.bought) << c.printer << c.paper;
        EXPECT_EQ(l.used, c.used) << c.printer << c.paper;
        EXPECT_EQ(l.left, c.bought - c.used) << c.printer << c.paper;
        EXPECT_EQ(l.minimum, c.minimum) << c.printer << c.paper;
        EXPECT_EQ(l.below, c.below) << c.printer << c.paper;
        EXPECT_EQ(l.sheetPrice(), c.sheetPrice) << c.printer << c.paper;
    }
    EXPECT_EQ(PaperStock::printersBelow(*lines), (QStringList{"p1", "p2"}));
}

INSTANTIATE_TEST_SUITE_P(Engines, BudgetStock, BothEngines);

} // namespace

int main(int argc, char **argv)
{
    return vesk::test::runWithPostgresServer(argc, argv);
}
