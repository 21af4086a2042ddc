// TDMTimer: reads the language file name like the settings routine and runs the save timer.
#include "TimerDM.h"

#include "MainDM.h"

namespace vesk {

TDMTimer::TDMTimer(TdmMain &dm, QObject *parent) : QObject(parent)
{
    // DataModuleCreate. The agent's LoadSettings repeats this when the main window is created.
    dm.OpenConfigFile();
    dm.LangFileName = dm.ReadIniString(QStringLiteral("Language"), QStringLiteral("FileName"));
    dm.CloseIniFile();
    dm.OpenIniFile(dm.AppDir() + dm.LangFileName);

    tmSavePrinterData.setInterval(SaveIntervalMs);
    tmSavePrinterData.setSingleShot(false);
    connect(&tmSavePrinterData, &QTimer::timeout, this, &TDMTimer::tmSavePrinterDataTimer);
    tmSavePrinterData.start();
}

void TDMTimer::tmSavePrinterDataTimer()
{
    Q_EMIT savePrinterDataDue();
}

} // namespace vesk
