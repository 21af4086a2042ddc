// The budget and paper windows from the console's menu: a bad amount is refused with a message
// and changes nothing, a budget past 100 % and a paper below its minimum are marked, and the
// printer list marks the printer.
#include "BudgetForm.h"
#include "ConsoleFixture.h"
#include "PaperStockForm.h"
#include "PrinterListView.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

using namespace vesk;
using vesk::test::ConsoleFixture;

namespace {

using CostWindows = ConsoleFixture;

QColor textColour(const QTableWidget *grid, int row, int column)
{
    return grid->item(row, column)->foreground().color();
}

TEST_F(CostWindows, RefuseBadAmountsAndMarkWhatIsPastItsLimit)
{
    TComputerMFrm &w = showWindow();
    exec(QStringLiteral("insert into tDept (Name, SuperName) values ('Sales', '-1')"));
    exec(QStringLiteral("insert into tPrinterData (PrintTime, DeptName, PrinterName, PageSize, "
                        "TotalPageCount, Duplex, Cost) values ('%1', 'Sales', 'HP1', 'A4', 4, 1, "
                        "300)")
             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd 00:00:00"))));
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    int opened = 0;
    const auto click = [](QPushButton *b, QLineEdit *field, const QString &text) {
        field->setText(text);
        b->click();
    };

    w.ShowModal = [&](QDialog &d) {
        ++opened;
        auto &f = dynamic_cast<TBudgetFrm &>(d);
        f.show();
        QApplication::processEvents();
        const auto rows = f.Grid->findItems(QStringLiteral("Sales"), Qt::MatchExactly);
        EXPECT_EQ(rows.size(), 1);
        const int row = rows.isEmpty() ? 0 : rows.first()->row();
        f.Grid->setCurrentCell(row, 0);
        for (const char *bad : {"-1", "ten", "0.001"}) {
            click(f.BtnSet, f.edtAmount, QString::fromLatin1(bad));
            EXPECT_TRUE(boxTexts().last().contains(QString::fromLatin1(bad))) << bad;
        }
        EXPECT_EQ(count(QStringLiteral("select count(*) from tBudget")), 0);
        click(f.BtnSet, f.edtAmount, QStringLiteral("2.5"));
        EXPECT_EQ(count(QStringLiteral("select Amount from tBudget where DeptName = 'Sales'")),
                  250);
        EXPECT_EQ(f.Grid->item(row, 3)->text(), QStringLiteral("120.00 %"));
        EXPECT_EQ(textColour(f.Grid, row, 3), QColor(Qt::red));
        return 0;
    };
    w.MenuBudgets->trigger();

    w.ShowModal = [&](QDialog &d) {
        ++opened;
        auto &f = dynamic_cast<TPaperStockFrm &>(d);
        f.show();
        QApplication::processEvents();
        f.cbPrinter->setCurrentText(QStringLiteral("HP9"));
        f.edtPaper->setText(QStringLiteral("iso_a4_210x297mm"));
        f.edtSheets->setText(QStringLiteral("10"));
        click(f.BtnBuy, f.edtMoney, QStringLiteral("2"));
        EXPECT_EQ(boxTexts().last(), QStringLiteral("Printer HP9 does not exist."));
        f.cbPrinter->setCurrentText(QStringLiteral("HP1"));
        click(f.BtnBuy, f.edtMoney, QStringLiteral("-2"));
        EXPECT_TRUE(boxTexts().last().contains(QStringLiteral("-2")));
        EXPECT_EQ(count(QStringLiteral("select count(*) from tPageManager")), 0);
        f.edtBought->setDate(QDate::currentDate().addDays(-1));
        click(f.BtnBuy, f.edtMoney, QStringLiteral("1.5"));
        EXPECT_EQ(f.StockGrid->rowCount(), 1);
        EXPECT_EQ(f.PurchaseGrid->rowCount(), 1);
        click(f.BtnMinimum, f.edtMinimum, QStringLiteral("9"));
        EXPECT_EQ(f.StockGrid->item(0, 4)->text(), QStringLiteral("8")); // 4 pages two-sided
        EXPECT_EQ(textColour(f.StockGrid, 0, 4), QColor(Qt::red));
        EXPECT_EQ(f.StockGrid->item(0, 6)->text(), QStringLiteral("0.15"));
        return 0;
    };
    w.MenuPaperStock->trigger();

    EXPECT_EQ(opened, 2);
    w.ShowView(QStringLiteral("PrinterList"));
    EXPECT_EQ(w.plPrinterList->LowStock, QStringList{QStringLiteral("hp1")});
}

} // namespace
