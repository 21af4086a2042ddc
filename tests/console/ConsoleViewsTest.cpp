// The view table by name, the resize rules and the help document's path, without a window.
#include "ConsoleViews.h"

#include "TestAppDir.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace vesk;

TEST(ConsoleViewTable, NamesMatchInAnyLetterCase)
{
    EXPECT_EQ(FindConsoleView(QStringLiteral("computertree")), ConsoleView::ComputerTree);
    EXPECT_EQ(FindConsoleView(QStringLiteral("ComputerTree")), ConsoleView::ComputerTree);
    EXPECT_EQ(FindConsoleView(QStringLiteral("Depttree")), ConsoleView::DeptTree);
    EXPECT_EQ(FindConsoleView(QStringLiteral("DEPTTREE")), ConsoleView::DeptTree);
    EXPECT_EQ(FindConsoleView(QStringLiteral("printerdata")), ConsoleView::PrinterData);
    EXPECT_EQ(FindConsoleView(QStringLiteral("hostDATA")), ConsoleView::HostData);
    EXPECT_EQ(FindConsoleView(QStringLiteral("PrinterList")), ConsoleView::PrinterList);
}

TEST(ConsoleViewTable, UnknownNamesSelectNothing)
{
    EXPECT_FALSE(FindConsoleView(QString()));
    EXPECT_FALSE(FindConsoleView(QStringLiteral("Printer")));
    EXPECT_FALSE(FindConsoleView(QStringLiteral(" PrinterList")));
    EXPECT_FALSE(FindConsoleView(QStringLiteral("network")));
}

TEST(ConsoleViewTable, OnlyTheDatasetViewsReopen)
{
    EXPECT_TRUE(ViewReopensDataset(ConsoleView::HostData));
    EXPECT_TRUE(ViewReopensDataset(ConsoleView::PrinterList));
    EXPECT_FALSE(ViewReopensDataset(ConsoleView::PrinterData));
    EXPECT_FALSE(ViewReopensDataset(ConsoleView::ComputerTree));
    EXPECT_FALSE(ViewReopensDataset(ConsoleView::DeptTree));
}

TEST(ConsoleLayoutRules, DesignSize)
{
    const QRect btnShowNet(24, 56, 97, 25);
    const ConsoleLayout l = LayoutConsole({775, 559}, btnShowNet, 31, 79, {75, 25});
    EXPECT_EQ(l.Footer, QRect(0, 536, 775, 23));
    // 24 + 97 + 20 = 141; 775 - 141 - 5 = 629.
    EXPECT_EQ(l.plMain, QRect(141, 31, 629, 422));
    EXPECT_EQ(l.MemLog, QRect(141, 455, 629, 79));
    // Left from the work area's width (629 - 75 - 5), bottom 10 pixels above its bottom.
    EXPECT_EQ(l.BtnComputerTreeSearch, QRect(549, 418, 75, 25));
}

TEST(ConsoleLayoutRules, GrowsWithTheWindowAndNeverGoesNegative)
{
    const QRect btnShowNet(24, 56, 97, 25);
    const ConsoleLayout big = LayoutConsole({1200, 800}, btnShowNet, 31, 79, {75, 25});
    EXPECT_EQ(big.plMain, QRect(141, 31, 1054, 663));
    EXPECT_EQ(big.MemLog.bottom() + 1 + 2, big.Footer.top());
    const ConsoleLayout tiny = LayoutConsole({100, 100}, btnShowNet, 31, 79, {75, 25});
    EXPECT_EQ(tiny.plMain.width(), 0);
    EXPECT_EQ(tiny.plMain.height(), 0);
}

TEST(ConsoleHelp, CompiledHelpUnlessTheInstallationHasHtml)
{
    test::TestAppDir dir;
    EXPECT_EQ(HelpDocument(dir.path()), dir.path() + QStringLiteral("help/VeskPrinterMon.chm"));
    QDir(dir.path()).mkpath(QStringLiteral("help"));
    dir.write(QStringLiteral("help/index.html"), QStringLiteral("<html></html>"));
    EXPECT_EQ(HelpDocument(dir.path()), dir.path() + QStringLiteral("help/index.html"));
}
