// Screenshots of the console main window in each of its views, in English and in Chinese, over a
// generated demo database (part of vesk_screenshots).
#include "ComputerMForm.h"
#include "ConsoleShotEnv.h"
#include "Screenshots.h"

#include <memory>

namespace {

using namespace vesk;
using vesk::shots::ConsoleEnvHolder;

const QByteArray SavedNetwork = "SMB Network\r\n"
                                "\tOFFICE\r\n"
                                "\t\t\\\\ACC-PC0001\r\n"
                                "\t\t\t\\\\ACC-PC0001\\LaserJet-2F\r\n"
                                "\t\t\t\\\\ACC-PC0001\\Colour-2F\r\n"
                                "\t\t\\\\ACC-PC0002\r\n"
                                "\t\t\\\\SAL-PC0001\r\n"
                                "\t\t\t\\\\SAL-PC0001\\Plotter\r\n"
                                "\tLAB\r\n"
                                "\t\t\\\\LAB-PC0001\r\n"
                                "\t\t\\\\LAB-PC0002\r\n";

class ConsoleShotWindow : private ConsoleEnvHolder, public TComputerMFrm
{
public:
    ConsoleShotWindow(const QString &langFile, int charset, const QString &view)
        : ConsoleEnvHolder(langFile, charset), TComputerMFrm(*env.dm)
    {
        // A network as a search over SMB finds it, saved before the first show loads it.
        env.dir.writeBytes(QStringLiteral("Data/NetDate.dat"), SavedNetwork);
        // Shown here so that the first show's loading is done before the view is chosen.
        show();
        ShowView(view);
    }
};

std::unique_ptr<QWidget> console(const char *langFile, int charset, const char *view)
{
    return std::make_unique<ConsoleShotWindow>(QString::fromLatin1(langFile), charset,
                                               QString::fromLatin1(view));
}

VESK_SCREENSHOT(consolePrinterDataEn, "console-printer-data-en",
                [] { return console("English.ini", 0, "PrinterData"); });
VESK_SCREENSHOT(consoleHostDataEn, "console-host-data-en",
                [] { return console("English.ini", 0, "HostData"); });
VESK_SCREENSHOT(consolePrinterListEn, "console-printer-list-en",
                [] { return console("English.ini", 0, "PrinterList"); });
VESK_SCREENSHOT(consoleComputerTreeEn, "console-computer-tree-en",
                [] { return console("English.ini", 0, "computertree"); });
VESK_SCREENSHOT(consoleDeptTreeEn, "console-dept-tree-en",
                [] { return console("English.ini", 0, "deptTree"); });
VESK_SCREENSHOT(consolePrinterDataCn, "console-printer-data-cn",
                [] { return console("Chinese.ini", 134, "PrinterData"); });
VESK_SCREENSHOT(consoleHostDataCn, "console-host-data-cn",
                [] { return console("Chinese.ini", 134, "HostData"); });
VESK_SCREENSHOT(consolePrinterListCn, "console-printer-list-cn",
                [] { return console("Chinese.ini", 134, "PrinterList"); });
VESK_SCREENSHOT(consoleComputerTreeCn, "console-computer-tree-cn",
                [] { return console("Chinese.ini", 134, "computertree"); });
VESK_SCREENSHOT(consoleDeptTreeCn, "console-dept-tree-cn",
                [] { return console("Chinese.ini", 134, "deptTree"); });

} // namespace
