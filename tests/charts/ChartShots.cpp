// Screenshots of the trend chart window over the console's demo database, in English and Chinese
// (part of vesk_screenshots).
#include "ConsoleShotEnv.h"
#include "Screenshots.h"
#include "SettingsRoutines.h"
#include "TrendChartForm.h"

namespace {

using namespace vesk;

// The demo folder with the console's settings routine run, and the figures of every record.
struct ChartEnv : shots::ConsoleEnvHolder, ConsoleSettingsTarget
{
    ChartEnv(const char *langFile, int charset)
        : ConsoleEnvHolder(QString::fromLatin1(langFile), charset)
    {
        LoadConsoleSettings(*env.dm, *this);
        ReadTrendData(env.dm->acntVesk.database(), QString(), TrendPicture::TopCount, figures);
    }
    void setForceClose() override {}
    void postClose() override {}
    void setProductCaption(const QString &) override {}
    void applyCatalogue(TdmMain &) override {}
    TrendData figures;
};

class ChartShot : private ChartEnv, public TTrendChartFrm
{
public:
    ChartShot(const char *langFile, int charset)
        : ChartEnv(langFile, charset), TTrendChartFrm(*env.dm, figures)
    {}
};

VESK_SCREENSHOT(chartEn, "chart-en", [] { return std::make_unique<ChartShot>("English.ini", 0); });
VESK_SCREENSHOT(chartCn, "chart-cn",
                [] { return std::make_unique<ChartShot>("Chinese.ini", 134); });

} // namespace
