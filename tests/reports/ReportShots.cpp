// Screenshots of the column settings window and of the report preview, in English and Chinese,
// over the console's demo database (part of vesk_screenshots).
#include "ConsoleShotEnv.h"
#include "GroupedReport.h"
#include "Screenshots.h"
#include "SettingsRoutines.h"
#include "ShowSettingForm.h"
#include "printerDataReportForm.h"

#include <QSqlQuery>

namespace {

using namespace vesk;

// The demo folder with the console's settings routine run, as the console opens it.
struct ReportEnv : shots::ConsoleEnvHolder, ConsoleSettingsTarget
{
    ReportEnv(const char *langFile, int charset)
        : ConsoleEnvHolder(QString::fromLatin1(langFile), charset)
    {
        LoadConsoleSettings(*env.dm, *this);
    }
    void setForceClose() override {}
    void postClose() override {}
    void setProductCaption(const QString &) override {}
    void applyCatalogue(TdmMain &) override {}
};

class SettingsShot : private ReportEnv, public TShowSettingFrm
{
public:
    SettingsShot(const char *langFile, int charset)
        : ReportEnv(langFile, charset), TShowSettingFrm(*env.dm)
    {
        open(ShowSettingStatement(ReportTable::PrinterData));
    }
};

// The report of every demo record grouped by department, IP and MAC not printed.
struct ReportHolder : ReportEnv
{
    ReportHolder(const char *langFile, int charset)
        : ReportEnv(langFile, charset), report(layout(*env.dm))
    {
        report.read(env.dm->acntVesk.database(), QString());
    }
    static ReportLayout layout(TdmMain &dm)
    {
        QSqlQuery(dm.acntVesk.database())
            .exec(QStringLiteral("update tShowSetting set IsVisible=0 where FieldName in "
                                 "('IP','MAC')"));
        ReportLayout l;
        LoadReportLayout(
            dm.acntVesk.database(), ReportTable::PrinterData, QStringLiteral("DeptName"),
            [&dm](const QString &key) { return dm.GetLangString(key); }, l);
        return l;
    }
    GroupedReport report;
};

class PreviewShot : private ReportHolder, public TPrinterDataReportFrm
{
public:
    PreviewShot(const char *langFile, int charset)
        : ReportHolder(langFile, charset), TPrinterDataReportFrm(*env.dm, report)
    {
        resize(1100, 800);
    }
};

VESK_SCREENSHOT(reportSettingsEn, "report-settings-en",
                [] { return std::make_unique<SettingsShot>("English.ini", 0); });
VESK_SCREENSHOT(reportSettingsCn, "report-settings-cn",
                [] { return std::make_unique<SettingsShot>("Chinese.ini", 134); });
VESK_SCREENSHOT(reportPreviewEn, "report-preview-en",
                [] { return std::make_unique<PreviewShot>("English.ini", 0); });
VESK_SCREENSHOT(reportPreviewCn, "report-preview-cn",
                [] { return std::make_unique<PreviewShot>("Chinese.ini", 134); });

} // namespace
