// The timer module: ten-minute interval, running from creation, language file opened.
#include "AgentFixture.h"
#include "TimerDM.h"

#include <QSignalSpy>

using namespace vesk;
using namespace vesk::test;

TEST(TimerModule, SavesEveryTenMinutesFromCreation)
{
    TestAppDir dir;
    dir.prepareEnglish();
    TdmMain dm(TdmMain::Program::Agent, dir.path());
    TDMTimer timers(dm);

    EXPECT_EQ(timers.tmSavePrinterData.interval(), 600000);
    EXPECT_TRUE(timers.tmSavePrinterData.isActive());
    EXPECT_FALSE(timers.tmSavePrinterData.isSingleShot());
    // DataModuleCreate opened the language file named by Config.ini.
    EXPECT_EQ(dm.LangFileName, QStringLiteral("English.ini"));
    EXPECT_EQ(dm.GetLangString(QStringLiteral("RSUnkown")), QStringLiteral("Unknown"));

    QSignalSpy due(&timers, &TDMTimer::savePrinterDataDue);
    timers.tmSavePrinterDataTimer();
    EXPECT_EQ(due.count(), 1);
    // The timer itself reaches the same signal.
    timers.tmSavePrinterData.setInterval(1);
    EXPECT_TRUE(due.wait(10000));
}
