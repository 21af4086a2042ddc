// TPrinterMonThread: the notification path with its quiet sweep, and the polling path.
//
// Design notes
// ------------
// Job states, notification path:
//   unseen  --(first job entry of a notification)-->  tracked (node appended at the tail)
//   tracked --(entries of later notifications)-->      tracked, fields updated in place
//   tracked --(sweep: its id is in the listing)-->     tracked
//   tracked --(sweep: its id is not in the listing)--> gone
//   gone    --(one more read, then)-->                 handed over (WM_RECPRINTERDATA), released
//   handed over --(a later read reports it again)-->  its entries dropped
// A sweep runs after QuietMs without a notification, and also QuietMs after the first
// notification since the previous sweep, so a steady stream of notifications cannot hold jobs
// back. It hands jobs over only when its own listing succeeded: a failed listing proves nothing
// about which jobs are gone.
// Every read also carries the final values of jobs that were created and finished between two
// reads, while notifications were lost, or (first read) since the resume point: while no agent
// ran or monitoring was off. They enter as tracked and the sweep hands them over like any other.
// The sweep's listing and the reads look at the spooler at different moments: a job can vanish
// from the listing before the read that brings its final values (its event is polled a moment
// later, or was lost with the contact). So the jobs a listing misses are handed over only after
// one more read, which brings the final values of every job that it reported queued before and
// that left since. A report that still comes after the hand-over is dropped: the monitor
// remembers the ids it handed over, or the job would be tracked afresh and handed over twice.
//
// Resume point: every job up to FSeenUpTo has been reported, and a reported job is tracked until
// it is handed over. Each hand-over carries the point after it (FSeenUpTo and the ids still
// tracked); the window journals it with the row in one durable write, so a restarted monitor
// resumes exactly behind the last journaled job and the journal refuses a job handed over twice.
//
// Job states, polling path (only the first job of the queue is followed):
//   none       --(listing with jobs)-->                   remembered (first job)
//   remembered --(same first job)-->                      remembered, values refreshed
//   remembered --(another first job)-->                   handed over, the new first remembered
//   remembered --(empty listing: pending)-->              handed over at the end of the pass
// A failed listing changes nothing.
//
// Who may touch what:
//   - The monitor thread owns FPrinterState, FHandOver, FHandOverPending and FTracked.
//   - The sweep's listing and its hand-over run on DataWindow's thread through blocking sends
//     while the monitor thread is blocked in them, so the two never run at once; the hand-over
//     is then a direct call. The read between them runs on the monitor thread.
//   - The polling path hands over with a blocking send from the monitor thread; the receiver
//     reads the record while the monitor waits.
//   - The printer handle is used by both threads in turn, never at once; the spooler keeps one
//     connection per calling thread.
//
// Withheld values: under CUPS's default policy (JobPrivateValues default) a job's name, user and
// host reach only its owner and the members of SystemGroup; anyone else gets the job without them
// and would store records that name nobody. CUPS always holds a user and a host for a job, so a
// job that comes with none of the three was withheld: the monitor says so once per run, naming
// the account and the remedy, when it first sees one (at its first read on start, or later).
//
// Event lifetime: the window creates StopEvent and IdleEvent and may drop them right after
// signalling the stop without waiting for the thread. The events are shared: the thread holds
// references of its own, so they stay valid until the thread has seen the stop and returned.
// The change notification is the thread's and is closed when the notification path ends.
#include "PrinterMonThread.h"

#include "MainDM.h"
#include "ThreadCheck.h"
#include "WindowMessages.h"

#include <algorithm>
#include <chrono>
#include <pwd.h>
#include <unistd.h>

namespace vesk {

namespace {
const char *const FindFirstText = "FindFirstPrinterChangeNotification";
const char *const RefreshText = "FindNextPrinterChangeNotification refresh call.";
// Late reports come within a few reads of the hand-over; the spooler numbers jobs upwards, so the
// smallest id is the oldest.
constexpr size_t HandedOverKept = 1024;
} // namespace

TPrinterMonThread::TPrinterMonThread(std::shared_ptr<spooler::Spooler> Spooler,
                                     std::function<bool()> PlatformTest, QObject *Parent)
    : QThread(Parent), FSpooler(std::move(Spooler)), FPlatformTest(std::move(PlatformTest))
{}

TPrinterMonThread::~TPrinterMonThread()
{
    // Destroyed after the body returned (the thread's end, or a thread never started).
    HandOffAcquire(this);
}

void TPrinterMonThread::SetFreeOnTerminate(bool Free)
{
    if (Free)
        connect(this, &QThread::finished, this, &QObject::deleteLater, Qt::UniqueConnection);
    else
        disconnect(this, &QThread::finished, this, &QObject::deleteLater);
}

bool TPrinterMonThread::OpenMonitoredPrinter()
{
    if (PrinterName.empty()) {
        FOpenError = spooler::OpenError::EmptyName;
        return false;
    }
    auto Handle = FSpooler->OpenPrinter(PrinterName, &FOpenError);
    if (!Handle)
        return false;
    spooler::PrinterState Probe;
    if (!Handle->GetPrinter(Probe)) {
        FOpenError = spooler::OpenError::ServerUnreachable;
        return false;
    }
    spooler::ResumePoint Now;
    if (!Handle->CurrentPoint(Now)) {
        FOpenError = spooler::OpenError::ServerUnreachable;
        return false;
    }
    if (!Resume || Resume->UpTo > Now.UpTo)
        Resume = std::move(Now);
    FPrinterState.Printer = std::move(Handle);
    return true;
}

void TPrinterMonThread::run()
{
    FIsNT = FPlatformTest ? FPlatformTest() : true;
    if (!StopEvent)
        StopEvent = std::make_shared<WaitEvent>();
    if (!IdleEvent)
        IdleEvent = std::make_shared<WaitEvent>();
    if (FIsNT)
        RunNotificationPath();
    else
        RunPollingPath();
    HandOffRelease(this);
}

void TPrinterMonThread::SendLog(const QString &Line)
{
    SendShowTip(LogWindow.data(), Line);
}

void TPrinterMonThread::NoteWithheldValues(const TPrinterJob &Job)
{
    if (FWithheldLogged || Job.Document || Job.UserName || Job.MachineName)
        return;
    FWithheldLogged = true;
    // Each printer's monitor thread may get here at once: the reentrant look-up.
    passwd Entry{};
    passwd *Account = nullptr;
    char Buffer[4096];
    ::getpwuid_r(::geteuid(), &Entry, Buffer, sizeof Buffer, &Account);
    const QString AccountName = Account != nullptr ? QString::fromLocal8Bit(Account->pw_name)
                                                   : QString::number(::geteuid());
    SendLog(QString::fromStdString(PrinterName) + QStringLiteral(": ") +
            TdmMain::FillMsg(WithheldText, AccountName));
}

void TPrinterMonThread::SendRecPrinterData()
{
    QObject *Window = DataWindow.data();
    auto *Receiver = dynamic_cast<TRecPrinterDataReceiver *>(Window);
    if (Receiver != nullptr)
        SendWindowMessage(Window, [this, Receiver] { Receiver->OnRecPrinterData(FHandOver); });
}

void TPrinterMonThread::RunNotificationPath()
{
    using Clock = std::chrono::steady_clock;
    std::unique_ptr<spooler::ChangeNotification> Change;
    if (FPrinterState.Printer)
        Change = FPrinterState.Printer->FindFirstChangeNotification(Resume);
    if (Resume)
        FSeenUpTo = Resume->UpTo;
    if (!Change) {
        const int Error = FPrinterState.Printer ? FPrinterState.Printer->LastError() : 6;
        SendLog(QString::number(Error) + QLatin1String(FindFirstText));
    } else {
        const auto ChangeEvent = Change->Event();
        std::optional<Clock::time_point> SweepDue;
        const auto RunSweep = [&] {
            SweepDue.reset();
            std::vector<uint32_t> Gone;
            SendWindowMessage(DataWindow.data(), [this, &Gone] { Gone = GoneJobs(); });
            if (Gone.empty())
                return;
            // The listing may be newer than the last read: a job that left since was reported
            // queued, so read once more for its final values before handing it over.
            ReadChanges(*Change);
            SendWindowMessage(DataWindow.data(), [this, &Gone] { HandOver(Gone); });
        };
        for (;;) {
            int WaitMs = QuietMs;
            if (SweepDue) {
                const auto Left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(*SweepDue - Clock::now());
                if (Left.count() <= 0 && !StopEvent->isSet()) {
                    RunSweep();
                    continue;
                }
                WaitMs = static_cast<int>(std::clamp<int64_t>(Left.count(), 0, QuietMs));
            }
            const int Signalled = WaitEvent::waitAny({ChangeEvent.get(), StopEvent.get()}, WaitMs);
            if (Signalled == WaitEvent::TimedOut) {
                RunSweep();
                continue;
            }
            if (StopEvent->isSet())
                break;
            if (!ChangeEvent->isSet())
                continue;
            if (ReadChanges(*Change) && !SweepDue)
                SweepDue = Clock::now() + std::chrono::milliseconds(QuietMs);
        }
    }
    // End: close the notification and the printer, drop every record, say so.
    Change.reset();
    FPrinterState.Printer.reset();
    ClearJobs(FPrinterState);
    FPrinterState.PrinterName.reset();
    FPrinterState.ServerName.reset();
    FPrinterState.ShareName.reset();
    FTracked.clear();
    SendLog(QStringLiteral("Monitoring thread for printer ") + QString::fromStdString(PrinterName) +
            QStringLiteral(" terminated"));
}

bool TPrinterMonThread::ReadChanges(spooler::ChangeNotification &Change)
{
    spooler::NotifyInfo Info;
    if (!Change.FindNext(Info))
        return false;
    if (Info.Flags & spooler::Notify::InfoDiscarded) {
        Info = spooler::NotifyInfo{};
        const bool Refreshed = Change.FindNext(Info);
        if (!Refreshed)
            SendLog(QString::number(Change.LastError()) + QLatin1String(RefreshText));
        RefreshQueue();
        if (!Refreshed)
            return false;
    }
    std::erase_if(Info.Entries, [this](const spooler::NotifyEntry &E) {
        return E.Type == spooler::Notify::JobType && FHandedOver.count(E.Id) != 0;
    });
    DecodeNotifyInfo(FTracked, FPrinterState, Info);
    for (const auto &Node : FTracked)
        NoteWithheldValues(Node.Job);
    FSeenUpTo = std::max(FSeenUpTo, Info.SeenUpTo);
    if (Info.MissingJobs > 0)
        SendLog(QString::fromStdString(PrinterName) + QStringLiteral(": ") +
                TdmMain::FillMsg(MissingJobsText, QString::number(Info.MissingJobs)));
    return true;
}

// Runs on DataWindow's thread while the monitor thread waits for it.
std::vector<uint32_t> TPrinterMonThread::GoneJobs()
{
    std::vector<uint32_t> Gone;
    if (FTracked.empty() || !RefreshQueue())
        return Gone;
    for (const auto &Node : FTracked)
        if (!FindJob(FPrinterState, Node.Job.JobId))
            Gone.push_back(Node.Job.JobId);
    return Gone;
}

// Runs on DataWindow's thread while the monitor thread waits for it.
void TPrinterMonThread::HandOver(const std::vector<uint32_t> &Gone)
{
    for (auto It = FTracked.begin(); It != FTracked.end();) {
        if (std::find(Gone.begin(), Gone.end(), It->Job.JobId) == Gone.end()) {
            ++It;
            continue;
        }
        FHandOver.PrinterName = PrinterName;
        // A printed job counts at least one page; a cancelled or aborted one only what came out.
        if (JobOutcomeOf(It->Job) != JobOutcome::Printed)
            It->Job.TotalPages = It->Job.PagesPrinted;
        else if (It->Job.TotalPages == 0)
            It->Job.TotalPages = 1;
        const uint32_t JobId = It->Job.JobId;
        FHandOver.Jobs.assign(1, std::move(It->Job));
        FHandOver.Count = 1;
        FHandOver.Mark = spooler::ResumePoint{FSeenUpTo, {}};
        for (const auto &Node : FTracked)
            if (Node.Job.JobId != JobId && Node.Job.JobId <= FSeenUpTo)
                FHandOver.Mark->Open.push_back(Node.Job.JobId);
        std::sort(FHandOver.Mark->Open.begin(), FHandOver.Mark->Open.end());
        SendRecPrinterData();
        ClearJobs(FHandOver);
        FHandOver.Mark.reset();
        FHandedOver.insert(JobId);
        if (FHandedOver.size() > HandedOverKept)
            FHandedOver.erase(FHandedOver.begin());
        It = FTracked.erase(It);
    }
}

bool TPrinterMonThread::RefreshQueue()
{
    if (!FPrinterState.Printer)
        return false;
    spooler::PrinterState Printer;
    std::vector<spooler::JobEntry> Jobs;
    if (!FPrinterState.Printer->GetPrinter(Printer) || !FPrinterState.Printer->EnumJobs(Jobs))
        return false;
    FPrinterState.Status = Printer.Status;
    if (!FIsNT) {
        SetText(FHandOver.PrinterName, Printer.PrinterName);
        SetText(FHandOver.ServerName, Printer.ServerName);
    }
    ClearJobs(FPrinterState);
    for (const auto &J : Jobs)
        AppendJob(FPrinterState, J);
    if (!FIsNT)
        EvaluatePolling(Jobs);
    return true;
}

void TPrinterMonThread::EvaluatePolling(const std::vector<spooler::JobEntry> &Jobs)
{
    if (Jobs.empty()) {
        FHandOverPending = FHandOver.Count == 1;
        return;
    }
    const spooler::JobEntry &First = Jobs.front();
    if (FHandOver.Count == 0) {
        AppendJob(FHandOver, First);
    } else if (FHandOver.Jobs[0].JobId == First.JobId) {
        TPrinterJob Fresh;
        if (ConvertJobEntry(Fresh, First))
            FHandOver.Jobs[0] = std::move(Fresh);
    } else {
        SendRecPrinterData();
        ClearJobs(FHandOver);
        AppendJob(FHandOver, First);
    }
    FHandOverPending = false;
}

void TPrinterMonThread::RunPollingPath()
{
    do {
        RefreshQueue();
        if (FHandOverPending) {
            NoteWithheldValues(FHandOver.Jobs[0]);
            FHandOver.PrinterName = PrinterName;
            SendRecPrinterData();
            ClearJobs(FHandOver);
            FHandOverPending = false;
        }
        WaitEvent::waitAny({IdleEvent.get(), StopEvent.get()}, PollMs);
    } while (!StopEvent->isSet());
    // Stopped: the printer is closed and the records dropped with the object; no log line.
    FPrinterState.Printer.reset();
}

} // namespace vesk
