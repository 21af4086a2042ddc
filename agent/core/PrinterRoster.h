// The agent's printer roster: tPrinter rows, the monitor list and the commands that change them.
#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace vesk {

class TdmMain;
class WaitEvent;

// One started monitor thread. The window owns the entry; the thread holds references of its own
// to both events, so they stay valid until it has seen its stop request. The thread itself is
// owned by the agent's MonitorSet, which joins it.
struct TMonitorEntry
{
    QString PrinterName;
    std::shared_ptr<WaitEvent> StopEvent; // manual-reset, not signalled; signalled means stop
    std::shared_ptr<WaitEvent> IdleEvent; // the polling pause; nobody signals it
};

// One row of the roster list: caption and check box.
struct RosterItem
{
    QString Name;
    bool Monitored = false;
};

// What the roster needs from its window. All calls happen on the window thread.
struct RosterHooks
{
    // Opens the printer and starts its monitor with the entry's events. False when the printer
    // cannot be opened; no thread runs then.
    std::function<bool(const TMonitorEntry &entry)> launch;
    // A log line for MemLog.
    std::function<void(const QString &line)> log;
    // Hourglass on and off around slow steps; optional.
    std::function<void(bool busy)> busy;
};

// The roster logic without widgets, so tests drive it directly. Statements run on the data
// module's connection; database failures are thrown as VeskError for the window's error box.
class PrinterRoster
{
public:
    PrinterRoster(TdmMain &dm, RosterHooks hooks);
    ~PrinterRoster();
    PrinterRoster(const PrinterRoster &) = delete;
    PrinterRoster &operator=(const PrinterRoster &) = delete;

    // Reopens aqryPrinter and returns its rows in order, with the two roster log lines.
    std::vector<RosterItem> ReadPrinterList();

    // Starts monitoring one printer; logs success or failure.
    bool StartMonitor(const QString &name);
    // Index of the last entry named exactly `name` (letter case counts), -1 when none.
    int FindMonitor(const QString &name) const;
    const std::vector<TMonitorEntry> &Monitors() const { return monitors_; }

    // The user changed the check box of `name` to `nowChecked`. Stops (after the question) or
    // starts the monitor and writes IsMonitor; returns the state the check box must show.
    bool CheckBoxChanged(const QString &name, bool nowChecked);

    // A printer added through the dialog: starts it when asked, inserts the row. Returns
    // whether it is monitored.
    bool AddPrinter(const QString &name, bool monitor);

    // Deletes an unchecked printer from tPrinter. A checked one is refused with
    // "RSMonitorPrinterNoDel"; returns whether the printer was deleted.
    bool DeletePrinter(const QString &name, bool checked);

    // Signals every monitor's stop event in list order and frees the list.
    void StopAll();

private:
    void stopMonitor(int index);
    void exec(const QString &statement);
    void log(const QString &line) const;
    void busy(bool on) const;

    TdmMain &dm_;
    RosterHooks hooks_;
    std::vector<TMonitorEntry> monitors_;
};

} // namespace vesk
