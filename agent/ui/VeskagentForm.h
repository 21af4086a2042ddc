// TVeskagentFrm: the agent's main window: record list, printer roster, log, start-up and closing.
#pragma once

#include "ListedRecord.h"
#include "LumoForm.h"
#include "Money.h"
#include "PrinterMonThread.h"
#include "SettingsRoutines.h"
#include "WindowMessages.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPlainTextEdit;
class QTreeWidget;

namespace vesk {

class AgentRecords;
class AgentShell;
class FolderLock;
class HostProbe;
class MonitorSet;
class PrinterRoster;
class TdmMain;
struct TMonitorEntry;

namespace spooler {
class Spooler;
}

// What the window is built on, so tests can give it a scripted spooler and probe.
struct AgentDeps
{
    std::shared_ptr<spooler::Spooler> Spooler; // the monitors' spooler
    std::function<bool()> PlatformTest;        // the monitors' path; the probe's when empty
    HostProbe *Probe = nullptr;                // the intake's probe; libVesk's when null
    bool LogToStdout = false;                  // service mode: log lines also on standard output
};

// Lives on the window thread: wiring between the records, the monitors, the roster and the
// widgets. Monitor threads never call it: they hand over to the records' intake desk, which
// posts rows and log lines here. The lifecycle is described at the top of VeskagentForm.cpp.
class TVeskagentFrm : public TLumoFrm, public AgentSettingsTarget, public TRecPrinterDataReceiver
{
    Q_OBJECT

public:
    // FormCreate: the settings routine, record list columns, journal rows, roster, monitors,
    // product title. `args` are the command-line parameters without the program name.
    TVeskagentFrm(TdmMain &dm, AgentDeps deps, const QStringList &args, QWidget *parent = nullptr);
    ~TVeskagentFrm() override;

    // False when start-up stopped early (no database, bad Charset): no roster, no monitors.
    bool StartupComplete() const { return roster_ != nullptr; }
    // The database could not be opened, or another agent runs from this folder: the window has
    // been closed already.
    bool StartupAbandoned() const { return abandoned_; }
    bool HeldElsewhere() const { return heldElsewhere_; }

    // WM_SHOWTIP: one line at the end of MemLog.
    void ShowTip(const QString &text) override;
    // WM_RECPRINTERDATA delivered to the window itself: each job becomes a journaled, listed
    // row, taken in on this thread (the monitors hand over to the intake desk instead).
    void OnRecPrinterData(const TPrinterInfo &Info) override;

    // Writes the unsaved rows (timer, menu, closing).
    void SavePrinterData();
    // Ends the agent as the tray's exit command does: FormClose, then the program ends.
    void ExitAgent();
    // Stops and joins every monitor thread still running (closing has joined them already).
    void JoinMonitors();

    // Roster commands, also called by tests without the dialog.
    void AddRosterPrinter(const QString &name, bool monitor);
    void MenuAddPrinterClick();
    void MenuDelPrinterClick();
    void PopPrinterPopup();
    void MenuShowInfoClick();
    void MenuSaveDataClick();
    // The details text of the selected record row; empty without a selection.
    QString SelectedDetails() const;

    PrinterRoster *Roster() const { return roster_.get(); }
    const RecordList &Records() const;
    AgentRecords *RecordsCore() const { return records_.get(); }
    AgentShell *Shell() const { return shell_; }
    bool FirstShow() const { return firstShow_; }
    // The splash of the first show has gone and the command line has been obeyed.
    bool SplashOver() const { return splashOver_; }

    QTreeWidget *lvPrinterData = nullptr;
    QListWidget *lvPrinterList = nullptr;
    QPlainTextEdit *MemLog = nullptr;
    QWidget *plFooter = nullptr;
    QMenu *popData = nullptr;
    QAction *MenuSaveData = nullptr;
    QAction *MenuShowInfo = nullptr;
    QMenu *PopPrinter = nullptr;
    QAction *MenuAddPrinter = nullptr;
    QAction *MenuDelPrinter = nullptr;

Q_SIGNALS:
    // FormClose has run; the program ends with it.
    void agentClosed();

protected:
    void FormShow() override;
    void FormResize() override;
    void FormClose() override;
    void ImgMinSizeClick() override;
    bool FormCloseQuery() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // AgentSettingsTarget
    void applyListCharset(int charset) override;
    void closeAndWait() override;
    void applyCatalogue(TdmMain &dm) override;

private:
    void FormCreate(const QStringList &args);
    void buildRecordColumns();
    void addRecordItem(const ListedRecord &row);
    LangLookup langLookup() const;
    void addRosterItem(const QString &name, bool checked);
    void lvPrinterListMouseDown(QListWidgetItem *item);
    void splashDone();
    // Runs a command; a database error ends it in the standard error box.
    void guarded(const std::function<void()> &command);
    // Runs a command that may wait in a nested loop (a question, a dialog, a box). A close that
    // arrives meanwhile waits until the command is over.
    void command(const std::function<void()> &body);

    TdmMain &dm_;
    AgentDeps deps_;
    QStringList args_;
    std::unique_ptr<HostProbe> ownProbe_;
    std::unique_ptr<FolderLock> folderLock_; // held while the records below live
    std::unique_ptr<AgentRecords> records_;
    std::unique_ptr<MonitorSet> monitors_;
    std::unique_ptr<PrinterRoster> roster_; // the monitor list; null until start-up reached it
    QStringList captions_;
    Currency currency_; // [Cost] Currency, read at the start as the captions are
    AgentShell *shell_ = nullptr;

    enum class Stage
    {
        Creating,  // FormCreate is running
        Abandoned, // start-up stopped early: nothing to stop or save
        Running,   // monitors and records live
        Closed     // FormClose has run
    };
    Stage stage_ = Stage::Creating;
    int commandDepth_ = 0;      // commands on the stack that may run a nested loop
    bool closePending_ = false; // a close arrived during such a command
    bool firstShow_ = true;
    bool splashOver_ = false;
    bool abandoned_ = false;
    bool heldElsewhere_ = false;
    bool updatingRoster_ = false;
};

} // namespace vesk
