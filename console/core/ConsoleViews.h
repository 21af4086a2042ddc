// The console's five views by name, and where the main window's parts go at any size.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

namespace vesk {

// The views of the work area, in the order ShowView compares their names.
enum class ConsoleView
{
    ComputerTree,
    DeptTree,
    PrinterData,
    HostData,
    PrinterList
};

// The view a name selects, letter case ignored; none for a name that is not in the table.
std::optional<ConsoleView> FindConsoleView(const QString &name);
// The name of a view as the table writes it.
QString ConsoleViewName(ConsoleView view);
// Whether showing the view first closes and opens its dataset again.
bool ViewReopensDataset(ConsoleView view);

// The help document below the application folder: help/index.html where the installation
// has one, otherwise the compiled help file help/VeskPrinterMon.chm (opened whether or not it
// exists; the viewer reports a missing file).
QString HelpDocument(const QString &appDir);

// Design geometry of the main window (window coordinates; the window has no system border).
namespace console {
constexpr QSize DesignSize{775, 559};
constexpr QSize ViewButtonSize{97, 25};
constexpr int ViewButtonLeft = 24;
constexpr int BtnShowNetTop = 56;
constexpr int BtnShowDeptNetTop = 104;
constexpr int btnHostTop = 152;
constexpr int btnPrinterMTop = 200;
constexpr int btnPrinterDataTop = 248;
constexpr int btnCostsTop = 296;
constexpr int btnHelpTop = 344;
constexpr QRect plMainDesign{144, 31, 626, 422};
constexpr QRect MemLogDesign{144, 456, 623, 79};
constexpr int FooterHeight = 23;
constexpr QSize SearchAgainSize{75, 25};
} // namespace console

struct ConsoleLayout
{
    QRect plMain;
    QRect MemLog;
    QRect Footer;
    QRect BtnComputerTreeSearch;
};

// FormResize: the work area right of the command column, the log above the footer, and the
// search-again button in the work area's lower right corner.
ConsoleLayout LayoutConsole(QSize window, QRect btnShowNet, int plMainTop, int memLogHeight,
                            QSize searchAgain);

} // namespace vesk
