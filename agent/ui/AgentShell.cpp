// The notification-area shell: show, hide, start the console, open the web page, exit.
#include "AgentShell.h"

#include "Errors.h"
#include "IniFile.h"
#include "MainDM.h"
#include "WindowMessages.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QIcon>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace vesk {

namespace {

std::optional<bool> g_forcedTray;

// A notification area that appears after start-up (a panel started later) is found by polling.
constexpr int TrayPollMs = 5000;

} // namespace

AgentShell::AgentShell(TdmMain &dm, QWidget *window, std::function<void()> exitAgent,
                       QObject *parent)
    : QObject(parent), dm_(dm), window_(window), exitAgent_(std::move(exitAgent))
{
    PopupMenu1 = new QMenu(window);
    MenuShowMonitorApp = PopupMenu1->addAction(QString());
    MenuHideMonitorApp = PopupMenu1->addAction(QString());
    MenuStartManageTool = PopupMenu1->addAction(QString());
    MenuWebSearch = PopupMenu1->addAction(QString());
    PopupMenu1->addSeparator();
    MenuExitMonitor = PopupMenu1->addAction(QString());

    connect(MenuShowMonitorApp, &QAction::triggered, this, &AgentShell::MenuShowMonitorAppClick);
    connect(MenuHideMonitorApp, &QAction::triggered, this, &AgentShell::MenuHideMonitorAppClick);
    connect(MenuStartManageTool, &QAction::triggered, this, &AgentShell::MenuStartManageToolClick);
    connect(MenuWebSearch, &QAction::triggered, this, &AgentShell::MenuWebSearchClick);
    connect(MenuExitMonitor, &QAction::triggered, this, &AgentShell::MenuExitMonitorClick);

    rmTrayIcon1 = new QSystemTrayIcon(QIcon(QStringLiteral(":/frame/logo.jpg")), this);
    rmTrayIcon1->setContextMenu(PopupMenu1);
    connect(rmTrayIcon1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // The desktop tray protocol of KDE and GNOME's AppIndicator reports only single
                // clicks (Trigger): they show the window too.
                if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
                    rmTrayIcon1DblClick();
            });

    trayPoll_ = new QTimer(this);
    trayPoll_->setInterval(TrayPollMs);
    connect(trayPoll_, &QTimer::timeout, this, &AgentShell::pollTray);
    pollTray();
    if (!rmTrayIcon1->isVisible())
        trayPoll_->start();
}

AgentShell::~AgentShell() = default;

bool AgentShell::TrayAvailable()
{
    if (g_forcedTray)
        return *g_forcedTray;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void AgentShell::ForceTrayAvailable(std::optional<bool> available)
{
    g_forcedTray = available;
}

void AgentShell::pollTray()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    rmTrayIcon1->show();
    trayPoll_->stop();
}

void AgentShell::applyCatalogue()
{
    const auto t = [this](const char *key) { return dm_.GetLangString(QLatin1String(key)); };
    MenuShowMonitorApp->setText(t("RSShowMonitorApp"));
    MenuHideMonitorApp->setText(t("RSHideMonitorApp"));
    MenuStartManageTool->setText(t("RSStartManageTool"));
    MenuWebSearch->setText(t("RSWebSearch"));
    MenuExitMonitor->setText(t("RSExitMonitor"));
    setTip(t("RSMonitorCaption"));
}

void AgentShell::setTip(const QString &tip)
{
    rmTrayIcon1->setToolTip(tip);
}

QString AgentShell::tip() const
{
    return rmTrayIcon1->toolTip();
}

void AgentShell::HideWindow()
{
    if (TrayAvailable())
        window_->hide();
    else
        window_->showMinimized();
}

void AgentShell::ShowWindow()
{
    window_->showNormal();
    window_->raise();
    window_->activateWindow();
}

void AgentShell::rmTrayIcon1DblClick()
{
    ShowWindow();
}

void AgentShell::MenuShowMonitorAppClick()
{
    ShowWindow();
}

void AgentShell::MenuHideMonitorAppClick()
{
    HideWindow();
}

QString AgentShell::ConsoleProgram(const QString &appDir)
{
    return appDir + QStringLiteral("Veskadmin");
}

QString AgentShell::WebSearchUrl(const QString &appDir, int charset)
{
    const IniFile url(appDir + QStringLiteral("WebSearch.url"), charset);
    return url.readString(QStringLiteral("InternetShortcut"), QStringLiteral("URL"));
}

void AgentShell::MenuStartManageToolClick()
{
    // No box for a console that is missing or cannot start (the agent may run unattended), but
    // the log window says so instead of the command doing nothing without a trace.
    const QString program = ConsoleProgram(dm_.AppDir());
    if (!QProcess::startDetached(program, {}, dm_.AppDir()))
        SendShowTip(
            window_,
            TdmMain::FillMsg(dm_.GetLangString(QStringLiteral("RSStartManageToolErr")), program));
}

void AgentShell::MenuWebSearchClick()
{
    try {
        const QString url = WebSearchUrl(dm_.AppDir(), dm_.FontCharset);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // An empty or unknown address fails quietly, as the shell's open always has.
        if (!url.isEmpty())
            QDesktopServices::openUrl(QUrl::fromUserInput(url));
        QApplication::restoreOverrideCursor();
    } catch (const VeskError &e) {
        QApplication::restoreOverrideCursor();
        dm_.ShowMsg(e.message(), MB_ICONEXCLAMATION);
    }
}

void AgentShell::MenuExitMonitorClick()
{
    if (exitAgent_)
        exitAgent_();
}

} // namespace vesk
