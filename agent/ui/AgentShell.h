// The agent's notification-area icon with its menu, and the commands behind the menu.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class QWidget;

namespace vesk {

class TdmMain;

// Lives on the window thread beside the main window. Where the desktop has no notification
// area the icon cannot be shown, so hiding the window minimises it instead: it stays reachable.
class AgentShell : public QObject
{
    Q_OBJECT

public:
    // `exitAgent` ends the agent the way closing the main window does.
    AgentShell(TdmMain &dm, QWidget *window, std::function<void()> exitAgent,
               QObject *parent = nullptr);
    ~AgentShell() override;

    // Whether a notification area exists now. Tests may force the answer.
    static bool TrayAvailable();
    static void ForceTrayAvailable(std::optional<bool> available);

    // Menu captions from the catalogue.
    void applyCatalogue();
    // The icon's tip: "RSMonitorCaption" at first, the product title once start-up has ended.
    void setTip(const QString &tip);
    QString tip() const;

    // Hides the window into the notification area, or minimises it where there is none.
    void HideWindow();
    void ShowWindow();

    // The console program beside the agent, and the page that "WebSearch.url" names.
    static QString ConsoleProgram(const QString &appDir);
    static QString WebSearchUrl(const QString &appDir, int charset);

    QSystemTrayIcon *rmTrayIcon1;
    QMenu *PopupMenu1;
    QAction *MenuShowMonitorApp;
    QAction *MenuHideMonitorApp;
    QAction *MenuStartManageTool;
    QAction *MenuWebSearch;
    QAction *MenuExitMonitor;

public Q_SLOTS:
    void rmTrayIcon1DblClick();
    void MenuShowMonitorAppClick();
    void MenuHideMonitorAppClick();
    void MenuStartManageToolClick();
    void MenuWebSearchClick();
    void MenuExitMonitorClick();

private:
    void pollTray();

    TdmMain &dm_;
    QWidget *window_;
    std::function<void()> exitAgent_;
    QTimer *trayPoll_;
};

} // namespace vesk
