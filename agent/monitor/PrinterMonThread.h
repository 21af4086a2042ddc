// TPrinterMonThread: follows one printer's queue and hands every job that left it to the window.
#pragma once

#include "JobRecords.h"
#include "Spooler.h"
#include "WaitEvent.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vesk {

// The receiver of WM_RECPRINTERDATA. The window that implements it is also a QObject; the call
// runs on that object's thread. It reads PrinterName, Count and the first Count records of Jobs
// and copies what it keeps: the monitor clears the record right after the call.
class TRecPrinterDataReceiver
{
public:
    virtual ~TRecPrinterDataReceiver() = default;
    virtual void OnRecPrinterData(const TPrinterInfo &Info) = 0;
};

class TPrinterMonThread : public QThread
{
    Q_OBJECT

public:
    // PlatformTest picks the path when the thread starts (the host probe's platform test):
    // true = change notifications, false = polling the queue.
    TPrinterMonThread(std::shared_ptr<spooler::Spooler> Spooler, std::function<bool()> PlatformTest,
                      QObject *Parent = nullptr);
    ~TPrinterMonThread() override;

    // Set by the window before Start.
    std::string PrinterName;
    std::shared_ptr<WaitEvent> StopEvent; // manual reset; signalled = stop
    std::shared_ptr<WaitEvent> IdleEvent; // the polling path's pause; nobody signals it
    QPointer<QObject> LogWindow;          // implements ShowTipReceiver
    QPointer<QObject> DataWindow;         // implements TRecPrinterDataReceiver
    // Where following the printer resumes (the journal's mark); OpenMonitoredPrinter sets it to
    // the spooler's current point when there is none, or when the spooler's job ids have gone
    // below it (a reinstalled spooler numbers from 1 again).
    std::optional<spooler::ResumePoint> Resume;
    // Log template for job ids the spooler's history lost before a catch-up; the count fills its
    // "%s", the line starts with the printer name.
    QString MissingJobsText;
    // Log template for a spooler that withholds other users' job names, users and hosts from the
    // agent's account; the account's name fills its "%s", the line starts with the printer name.
    QString WithheldText;

    // Intervals, shortened by tests.
    // Notification path: a sweep after this long without a notification, and at the latest this
    // long after the first notification since the previous sweep.
    int QuietMs = 5000;
    int PollMs = 100; // polling path: pause between listings

    // Frees the object (deleteLater on its own thread) once the body has returned.
    void SetFreeOnTerminate(bool Free);

    // On the window's thread, before starting: false means the thread must not be started.
    bool OpenMonitoredPrinter();
    spooler::OpenError LastOpenError() const { return FOpenError; }

    bool IsNT() const { return FIsNT; }

protected:
    void run() override; // Execute

private:
    void RunNotificationPath();
    void RunPollingPath();
    // One read of the change notification (with the refresh a discard asks for) into the
    // tracked jobs; false when nothing could be read.
    bool ReadChanges(spooler::ChangeNotification &Change);
    // The sweep: the tracked jobs its own listing no longer holds, then their hand-over.
    std::vector<uint32_t> GoneJobs();
    void HandOver(const std::vector<uint32_t> &Gone);
    bool RefreshQueue();
    void EvaluatePolling(const std::vector<spooler::JobEntry> &Jobs);
    void SendRecPrinterData();
    void SendLog(const QString &Line);
    // Logs WithheldText once per run when the job came without document, user and computer.
    void NoteWithheldValues(const TPrinterJob &Job);

    std::shared_ptr<spooler::Spooler> FSpooler;
    std::function<bool()> FPlatformTest;
    spooler::OpenError FOpenError = spooler::OpenError::None;
    bool FIsNT = false;

    TPrinterInfo FPrinterState; // printer state: handle, notified values, latest listing
    TPrinterInfo FHandOver;     // only for handing jobs to DataWindow
    bool FHandOverPending = false;
    TJobList FTracked;
    uint32_t FSeenUpTo = 0; // every job of the printer up to this id has been reported
    // Ids the sweep handed over (the newest ones): a later read that still reports one of them
    // is not taking in a new job.
    std::set<uint32_t> FHandedOver;
    bool FWithheldLogged = false;
};

} // namespace vesk
