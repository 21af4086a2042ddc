// Screenshots of the console main window in each of its views, in English and in Chinese, over a
// generated demo database (part of vesk_screenshots).
#include "ComputerMForm.h"
#include "DemoData.h"
#include "IniFile.h"
#include "LumoForm.h"
#include "MainDM.h"
#include "Screenshots.h"
#include "ScriptedPresenter.h"
#include "TestAppDir.h"

#include <QSqlDatabase>

#include <cstdio>
#include <memory>

namespace {

using namespace vesk;

// A temporary application folder with a demo database, and the data module over it.
struct ConsoleEnv
{
    ConsoleEnv(const QString &langFile, int charset)
    {
        dir.writeConfig(langFile, QString::number(charset));
        dir.copyLanguage(QStringLiteral("English.ini"));
        dir.copyLanguage(QStringLiteral("Chinese.ini"));
        dir.createDatabase(langFile, charset);
        fill(langFile, charset);
        dm = std::make_unique<TdmMain>(TdmMain::Program::Console, dir.path());
        dm->setMessagePresenter(&boxes);
        TLumoFrm::SetDataModule(dm.get());
    }
    ~ConsoleEnv() { TLumoFrm::SetDataModule(nullptr); }

    void fill(const QString &langFile, int charset)
    {
        const IniFile catalogue(dir.file(langFile), charset);
        DemoOptions options;
        options.records = 300;
        options.hosts = 40;
        options.lastDay = QDate(2026, 3, 31);
        options.lang = [&catalogue](const QString &key) {
            return catalogue.readString(QStringLiteral("Lang"), key);
        };
        const QString name = QStringLiteral("console-shots-demo");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(dir.databaseFile());
            QString error;
            if (!db.open() || !fillDemoDatabase(db, options, &error))
                std::fprintf(stderr, "console shots: no demo data: %s\n", qPrintable(error));
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }

    test::TestAppDir dir;
    test::ScriptedPresenter boxes;
    std::unique_ptr<TdmMain> dm;
};

// The environment is a base so that it is destroyed after the window.
struct ConsoleEnvHolder
{
    ConsoleEnvHolder(const QString &langFile, int charset) : env(langFile, charset) {}
    ConsoleEnv env;
};

class ConsoleShotWindow : private ConsoleEnvHolder, public TComputerMFrm
{
public:
    ConsoleShotWindow(const QString &langFile, int charset, const QString &view)
        : ConsoleEnvHolder(langFile, charset), TComputerMFrm(*env.dm)
    {
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
