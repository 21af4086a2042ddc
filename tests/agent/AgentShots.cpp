// Screenshots of the agent's windows in English and in Chinese (part of vesk_screenshots).
#include "Flashform.h"
#include "HostProbe.h"
#include "JobRecords.h"
#include "LumoForm.h"
#include "LumoInfoForm.h"
#include "MainDM.h"
#include "MemorySpooler.h"
#include "PrinterForm.h"
#include "RecordIntake.h"
#include "Screenshots.h"
#include "ScriptedPresenter.h"
#include "SqlText.h"
#include "TestAppDir.h"
#include "VeskagentForm.h"

#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTreeWidget>

#include <memory>

namespace {

using namespace vesk;

class ShotProbe : public HostProbe
{
public:
    QString MacOf(std::string &name) override
    {
        return name == "\\\\PC-FINANCE" ? QStringLiteral("00-1A-2B-3C-4D-5E") : QString();
    }
    QString IpOf(std::string &name) override
    {
        return name == "\\\\PC-FINANCE" ? QStringLiteral("192.168.10.21") : QString();
    }
};

// A temporary application folder with a few printers and computers, and the data module over it.
struct AgentEnv
{
    AgentEnv(const QString &langFile, int charset)
    {
        dir.writeConfig(langFile, QString::number(charset));
        dir.copyLanguage(QStringLiteral("English.ini"));
        dir.copyLanguage(QStringLiteral("Chinese.ini"));
        dir.createDatabase(langFile, charset);
        const QString name = QStringLiteral("agent-shots");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(dir.databaseFile());
            if (db.open()) {
                QSqlQuery q(db);
                for (const char *printer : {"Office HP LaserJet", "Finance Canon", "Reception"})
                    q.exec(QStringLiteral("insert into tPrinter(Name,IsMonitor) values(") +
                           QuotedStr(QString::fromLatin1(printer)) + QStringLiteral(",0)"));
                q.exec(QStringLiteral("insert into tHost(HostName,IP,MAC,EmName,DeptName) values("
                                      "'\\\\PC-FINANCE','192.168.10.21','00-1A-2B-3C-4D-5E',"
                                      "'Li Wei','Finance')"));
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        dm = std::make_unique<TdmMain>(TdmMain::Program::Agent, dir.path());
        dm->setMessagePresenter(&boxes);
        TLumoFrm::SetDataModule(dm.get());
    }
    ~AgentEnv() { TLumoFrm::SetDataModule(nullptr); }

    // For the windows shown without the main window's start-up: the catalogue and its charset.
    void loadLanguage(const QString &langFile, int charset)
    {
        dm->FontCharset = charset;
        dm->OpenIniFile(dir.file(langFile));
        dm->LangCode = dm->GetLangString(QStringLiteral("RSLanuage"));
        TLumoFrm::SetDataModule(dm.get());
    }

    test::TestAppDir dir;
    test::ScriptedPresenter boxes;
    ShotProbe probe;
    std::unique_ptr<TdmMain> dm;
};

// The environment is a base so that it is destroyed after the window.
struct AgentEnvHolder
{
    AgentEnvHolder(const char *langFile, int charset) : env(QString::fromLatin1(langFile), charset)
    {}
    AgentEnv env;
};

TPrinterInfo sampleJob(const char *printer, const char *document, const char *machine, int pages)
{
    TPrinterInfo info;
    info.PrinterName = printer;
    TPrinterJob job;
    job.Document = document;
    job.UserName = "liwei";
    job.MachineName = machine;
    job.TotalPages = static_cast<uint32_t>(pages);
    job.TotalBytes = static_cast<uint32_t>(pages) * 41000;
    job.PaperSize = 9;
    info.Jobs.push_back(job);
    info.Count = 1;
    return info;
}

AgentDeps shotDeps(AgentEnv &env)
{
    AgentDeps deps;
    deps.Spooler = std::make_shared<spooler::MemorySpooler>();
    deps.PlatformTest = [] { return true; };
    deps.Probe = &env.probe;
    return deps;
}

class AgentMainShot : private AgentEnvHolder, public TVeskagentFrm
{
public:
    AgentMainShot(const char *langFile, int charset)
        : AgentEnvHolder(langFile, charset), TVeskagentFrm(*env.dm, shotDeps(env), {})
    {
        OnRecPrinterData(sampleJob("Finance Canon", "Budget 2026.xlsx", "\\\\pc-finance", 4));
        OnRecPrinterData(sampleJob("Office HP LaserJet", "Minutes.docx", "\\\\localhost", 2));
    }
};

class AgentAddPrinterShot : private AgentEnvHolder, public TPrinterFrm
{
public:
    AgentAddPrinterShot(const char *langFile, int charset)
        : AgentEnvHolder(langFile, charset), TPrinterFrm(*env.dm)
    {
        env.loadLanguage(QString::fromLatin1(langFile), charset);
        edtPrinterName->setText(QStringLiteral("Warehouse Epson"));
    }
};

class AgentInfoShot : private AgentEnvHolder, public TLumoInfoFrm
{
public:
    AgentInfoShot(const char *langFile, int charset)
        : AgentEnvHolder(langFile, charset), TLumoInfoFrm(TdmMain::Program::Agent)
    {
        AgentMainShot main(langFile, charset);
        main.lvPrinterData->setCurrentItem(main.lvPrinterData->topLevelItem(0));
        SetInfo(main.SelectedDetails());
        main.close();
        env.loadLanguage(QString::fromLatin1(langFile), charset);
    }
};

class AgentSplashShot : private AgentEnvHolder, public Tflashfrm
{
public:
    AgentSplashShot(const char *langFile, int charset)
        : AgentEnvHolder(langFile, charset), Tflashfrm(*env.dm)
    {
        env.loadLanguage(QString::fromLatin1(langFile), charset);
    }
};

template <class W> std::unique_ptr<QWidget> shot(const char *langFile, int charset)
{
    return std::make_unique<W>(langFile, charset);
}

VESK_SCREENSHOT(agentMainEn, "agent-main-en", [] { return shot<AgentMainShot>("English.ini", 0); });
VESK_SCREENSHOT(agentMainCn, "agent-main-cn",
                [] { return shot<AgentMainShot>("Chinese.ini", 134); });
VESK_SCREENSHOT(agentAddPrinterEn, "agent-add-printer-en",
                [] { return shot<AgentAddPrinterShot>("English.ini", 0); });
VESK_SCREENSHOT(agentAddPrinterCn, "agent-add-printer-cn",
                [] { return shot<AgentAddPrinterShot>("Chinese.ini", 134); });
VESK_SCREENSHOT(agentInfoEn, "agent-info-en", [] { return shot<AgentInfoShot>("English.ini", 0); });
VESK_SCREENSHOT(agentInfoCn, "agent-info-cn",
                [] { return shot<AgentInfoShot>("Chinese.ini", 134); });
VESK_SCREENSHOT(agentSplashEn, "agent-splash-en",
                [] { return shot<AgentSplashShot>("English.ini", 0); });
VESK_SCREENSHOT(agentSplashCn, "agent-splash-cn",
                [] { return shot<AgentSplashShot>("Chinese.ini", 134); });

} // namespace
