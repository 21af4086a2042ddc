// TDMTimer: the agent's timer module; tmSavePrinterData asks for a save every ten minutes.
#pragma once

#include <QObject>
#include <QTimer>

namespace vesk {

class TdmMain;

class TDMTimer : public QObject
{
    Q_OBJECT

public:
    static constexpr int SaveIntervalMs = 600000;

    // DataModuleCreate: opens Config.ini, reads [Language] FileName, then opens that language
    // file on `dm`; starts tmSavePrinterData. Create it after the data module, before the window.
    explicit TDMTimer(TdmMain &dm, QObject *parent = nullptr);

    QTimer tmSavePrinterData;

public Q_SLOTS:
    // The timer's event: emits savePrinterDataDue.
    void tmSavePrinterDataTimer();

Q_SIGNALS:
    // Connect the main window's SavePrinterData here.
    void savePrinterDataDue();
};

} // namespace vesk
