// Screenshots of the trend chart window over the console's demo database, in English and Chinese
// (part of vesk_screenshots).
#include "ConsoleShotEnv.h"
#include "PriceBook.h"
#include "Screenshots.h"
#include "SettingsRoutines.h"
#include "TrendChartForm.h"

#include <QComboBox>

namespace {

using namespace vesk;

// The demo folder with the console's settings routine run, and the figures of every record; for
// the cost, the records costed at default prices in euros first.
struct ChartEnv : shots::ConsoleEnvHolder, ConsoleSettingsTarget
{
    ChartEnv(const char *langFile, int charset, TrendMeasure measure)
        : ConsoleEnvHolder(QString::fromLatin1(langFile), charset)
    {
        LoadConsoleSettings(*env.dm, *this);
        if (measure == TrendMeasure::Cost) {
            QSqlDatabase db = env.dm->acntVesk.database();
            QString error;
            if (!SetPrinterPrices(
                    db, DefaultPricesName,
                    {5 * PriceUnitsPerMinor, 25 * PriceUnitsPerMinor, FactorOne * 8 / 10},
                    &error) ||
                !RecostRecords(db, QString(), &error))
                std::fprintf(stderr, "chart shots: no costs: %s\n", qPrintable(error));
            env.dir.writeConfig(QString::fromLatin1(langFile), QString::number(charset),
                                QStringLiteral("[Cost]\nCurrency=EUR\n"));
        }
        ReadTrendData(env.dm->acntVesk.database(), QString(), TrendPicture::TopCount, figures,
                      nullptr, TrendFigures::WithCost);
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
    ChartShot(const char *langFile, int charset, TrendMeasure measure = TrendMeasure::Pages)
        : ChartEnv(langFile, charset, measure), TTrendChartFrm(*env.dm, figures)
    {
        cbMeasure->setCurrentIndex(int(measure));
    }
};

VESK_SCREENSHOT(chartEn, "chart-en", [] { return std::make_unique<ChartShot>("English.ini", 0); });
VESK_SCREENSHOT(chartCn, "chart-cn",
                [] { return std::make_unique<ChartShot>("Chinese.ini", 134); });
VESK_SCREENSHOT(chartCostEn, "chart-cost-en",
                [] { return std::make_unique<ChartShot>("English.ini", 0, TrendMeasure::Cost); });

} // namespace
