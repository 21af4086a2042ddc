// MonitorSet: the agent's printer monitor threads, owned from start to join.
#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QObject;

namespace vesk {

class RecordJournal;
class TPrinterMonThread;
struct TMonitorEntry;

namespace spooler {
class Spooler;
}

// Lives on the window thread. A monitor is stopped by its entry's stop event (the roster sets
// it); the event wakes its waits, and the thread ends on its own. The set keeps every thread
// until it has been joined: StopAll sets every stop event and joins every thread, so nothing a
// monitor uses is destroyed before it has ended. The monitors hand over and log to `receiver`,
// which must not live on the thread that joins them (a monitor waits for its calls).
class MonitorSet
{
public:
    // `platformTest` picks each monitor's path when it starts: true = change notifications.
    MonitorSet(std::shared_ptr<spooler::Spooler> spooler, std::function<bool()> platformTest,
               QObject *receiver);
    ~MonitorSet();
    MonitorSet(const MonitorSet &) = delete;
    MonitorSet &operator=(const MonitorSet &) = delete;

    // Opens the entry's printer and starts its monitor with the entry's events. False when the
    // printer cannot be opened: no thread runs then.
    bool Launch(const TMonitorEntry &entry);

    // Requests every stop and joins every thread, those stopped one by one before included.
    void StopAll();

    // Threads started and not yet joined.
    int Count() const { return static_cast<int>(threads_.size()); }

    // Intervals for tests: quiet time before a sweep, pause between listings.
    int QuietMs = 5000;
    int PollMs = 100;

    // The printers' resume points (see RecordJournal.h), used on this thread: each monitor
    // resumes from its printer's mark, and a printer's start point is journaled before its
    // monitor runs. Null: every monitor starts from the jobs now queued.
    RecordJournal *Journal = nullptr;
    // The monitors' log template for job ids the spooler's history lost (TPrinterMonThread).
    QString MissingJobsText;
    // The monitors' log template for job values the spooler withholds (TPrinterMonThread).
    QString WithheldText;

private:
    void reap();

    std::shared_ptr<spooler::Spooler> spooler_;
    std::function<bool()> platformTest_;
    QObject *receiver_;
    std::vector<std::unique_ptr<TPrinterMonThread>> threads_;
};

} // namespace vesk
