// The view table of the console's main window and its resize rules.
#include "ConsoleViews.h"

#include <QFileInfo>
#include <QtGlobal>

#include <array>

namespace vesk {

namespace {

struct ViewRow
{
    ConsoleView view;
    const char *name;
    bool reopens;
};

// Compared in this order; the first match is taken.
constexpr std::array<ViewRow, 5> ViewTable{{
    {ConsoleView::ComputerTree, "computertree", false},
    {ConsoleView::DeptTree, "deptTree", false},
    {ConsoleView::PrinterData, "PrinterData", false},
    {ConsoleView::HostData, "HostData", true},
    {ConsoleView::PrinterList, "PrinterList", true},
}};

} // namespace

std::optional<ConsoleView> FindConsoleView(const QString &name)
{
    const QString wanted = name.toLower();
    for (const ViewRow &row : ViewTable) {
        if (wanted == QString::fromLatin1(row.name).toLower())
            return row.view;
    }
    return std::nullopt;
}

QString ConsoleViewName(ConsoleView view)
{
    for (const ViewRow &row : ViewTable) {
        if (row.view == view)
            return QString::fromLatin1(row.name);
    }
    return {};
}

bool ViewReopensDataset(ConsoleView view)
{
    for (const ViewRow &row : ViewTable) {
        if (row.view == view)
            return row.reopens;
    }
    return false;
}

QString HelpDocument(const QString &appDir)
{
    const QString html = appDir + QStringLiteral("help/index.html");
    if (QFileInfo(html).isFile())
        return html;
    return appDir + QStringLiteral("help/VeskPrinterMon.chm");
}

ConsoleLayout LayoutConsole(QSize window, QRect btnShowNet, int plMainTop, int memLogHeight,
                            QSize searchAgain)
{
    ConsoleLayout l;
    l.Footer =
        QRect(0, window.height() - console::FooterHeight, window.width(), console::FooterHeight);
    const int left = btnShowNet.left() + btnShowNet.width() + 20;
    const int width = qMax(0, window.width() - left - 5);
    const int memTop = l.Footer.top() - memLogHeight - 2;
    l.MemLog = QRect(left, memTop, width, memLogHeight);
    l.plMain = QRect(left, plMainTop, width, qMax(0, memTop - plMainTop - 2));
    // The button's left is taken from the work area's width, as the window has always placed it.
    l.BtnComputerTreeSearch = QRect(l.plMain.width() - searchAgain.width() - 5,
                                    l.plMain.top() + l.plMain.height() - searchAgain.height() - 10,
                                    searchAgain.width(), searchAgain.height());
    return l;
}

} // namespace vesk
