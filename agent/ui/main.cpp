// Veskagent: data module, timer module, main window, message loop.
#include "CupsSpooler.h"
#include "FolderLock.h"
#include "LumoForm.h"
#include "MainDM.h"
#include "MessageBoxPresenter.h"
#include "SignalPipe.h"
#include "TimerDM.h"
#include "VeskagentForm.h"

#include <QApplication>

#include <cstdlib>

namespace {

// A print server often has no desktop: without a display the agent runs as a service under the
// offscreen platform instead of aborting.
void chooseHeadlessPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace

int main(int argc, char **argv)
{
    chooseHeadlessPlatform();
    QApplication app(argc, argv);
    // The window hides into the notification area; only its closing ends the program.
    app.setQuitOnLastWindowClosed(false);
    const bool headless = QGuiApplication::platformName() == QLatin1String("offscreen");
    // SIGTERM and SIGINT end the agent exactly as the tray's exit command does; SIGUSR1 stores the
    // listed records now, as "Save Records" does (a print server has no window to click). Caught
    // from here on; one that arrives during start-up is handled as soon as the loop runs.
    vesk::SignalPipe signalPipe({SIGTERM, SIGINT, SIGUSR1});

    vesk::TdmMain dmMain(vesk::TdmMain::Program::Agent);
    // Headless, nobody can answer a box: the data module writes it to the error stream instead.
    vesk::MessageBoxPresenter presenter;
    if (!headless)
        dmMain.setMessagePresenter(&presenter);
    vesk::TLumoFrm::SetDataModule(&dmMain);

    vesk::TDMTimer DMTimer(dmMain);

    vesk::AgentDeps deps;
    // The subscription carries the folder's mark, so the next agent of this folder can cancel
    // one this agent leaves behind when it is killed.
    vesk::spooler::SubscriptionLease lease;
    lease.Owner = vesk::FolderTag(dmMain.AppDir());
    deps.Spooler = std::make_shared<vesk::spooler::CupsSpooler>(std::string(), lease);
    deps.LogToStdout = headless;
    QStringList args = app.arguments();
    args.removeFirst();
    vesk::TVeskagentFrm VeskagentFrm(dmMain, deps, args);
    if (VeskagentFrm.HeldElsewhere())
        return vesk::FolderLock::HeldElsewhereExit;
    if (VeskagentFrm.StartupAbandoned())
        return EXIT_FAILURE;
    // A service that could not read its configuration has nothing to do.
    if (headless && !VeskagentFrm.StartupComplete())
        return EXIT_FAILURE;

    QObject::connect(&DMTimer, &vesk::TDMTimer::savePrinterDataDue, &VeskagentFrm,
                     &vesk::TVeskagentFrm::SavePrinterData);
    QObject::connect(&VeskagentFrm, &vesk::TVeskagentFrm::agentClosed, &app,
                     &QCoreApplication::quit, Qt::QueuedConnection);

    QObject::connect(&signalPipe, &vesk::SignalPipe::signalled, &VeskagentFrm,
                     [&VeskagentFrm](int number) {
                         if (number == SIGUSR1)
                             VeskagentFrm.SavePrinterData();
                         else
                             VeskagentFrm.ExitAgent();
                     });

    VeskagentFrm.show();
    const int rc = app.exec();
    DMTimer.tmSavePrinterData.stop();
    VeskagentFrm.JoinMonitors();
    return rc;
}
