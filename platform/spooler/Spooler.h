// The print spooler as the printer monitor sees it: open a printer, read it, list its queue, follow
// its changes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesk {
class WaitEvent;
}

namespace vesk::spooler {

// Printer status bits, with the values the monitor's records have always carried.
namespace PrinterStatus {
inline constexpr uint32_t Paused = 0x1;
inline constexpr uint32_t Error = 0x2;
inline constexpr uint32_t PaperJam = 0x8;
inline constexpr uint32_t PaperOut = 0x10;
inline constexpr uint32_t Offline = 0x80;
inline constexpr uint32_t Printing = 0x400;
inline constexpr uint32_t OutputBinFull = 0x800;
inline constexpr uint32_t NotAvailable = 0x1000;
inline constexpr uint32_t Waiting = 0x2000;
inline constexpr uint32_t TonerLow = 0x20000;
inline constexpr uint32_t NoToner = 0x40000;
inline constexpr uint32_t UserIntervention = 0x100000;
inline constexpr uint32_t DoorOpen = 0x400000;
} // namespace PrinterStatus

// Job status bits.
namespace JobStatus {
inline constexpr uint32_t Paused = 0x1;
inline constexpr uint32_t Error = 0x2;
inline constexpr uint32_t Printing = 0x10;
inline constexpr uint32_t Printed = 0x80;
inline constexpr uint32_t Deleted = 0x100;
inline constexpr uint32_t BlockedDevq = 0x200;
inline constexpr uint32_t Complete = 0x1000;
} // namespace JobStatus

// Notification entry types and fields (the numbers of the monitor's field lists).
namespace Notify {
inline constexpr uint16_t PrinterType = 0;
inline constexpr uint16_t JobType = 1;

inline constexpr uint16_t PrinterServerName = 0;
inline constexpr uint16_t PrinterPrinterName = 1;
inline constexpr uint16_t PrinterShareName = 2;
inline constexpr uint16_t PrinterStatusField = 18;
inline constexpr uint16_t PrinterCJobs = 20;

// The printer the job is recorded under (a CUPS class's job: the member that printed it, see
// CupsNotification.h); sent only where it is not the notification's own printer.
inline constexpr uint16_t JobPrinterName = 0;
inline constexpr uint16_t JobMachineName = 1;
inline constexpr uint16_t JobUserName = 3;
inline constexpr uint16_t JobDevMode = 9;
inline constexpr uint16_t JobStatusField = 10;
inline constexpr uint16_t JobStatusString = 11;
inline constexpr uint16_t JobDocument = 13;
inline constexpr uint16_t JobSubmitted = 16;
inline constexpr uint16_t JobTotalPages = 20;
inline constexpr uint16_t JobPagesPrinted = 21;
inline constexpr uint16_t JobTotalBytes = 22;
inline constexpr uint16_t JobBytesPrinted = 23;

inline constexpr uint32_t InfoDiscarded = 0x1;
} // namespace Notify

// Calendar time in eight 16-bit fields, local time.
struct SystemTime
{
    uint16_t wYear = 0;
    uint16_t wMonth = 0;
    uint16_t wDayOfWeek = 0; // 0 = Sunday
    uint16_t wDay = 0;
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;

    bool operator==(const SystemTime &) const = default;
};

// Colour and duplex settings of a device mode, with the values those fields have always had.
namespace DevColor {
inline constexpr int16_t Unknown = 0;
inline constexpr int16_t Monochrome = 1;
inline constexpr int16_t Color = 2;
} // namespace DevColor
namespace DevDuplex {
inline constexpr int16_t Unknown = 0;
inline constexpr int16_t Simplex = 1;
inline constexpr int16_t Vertical = 2;   // two-sided, long edge
inline constexpr int16_t Horizontal = 3; // two-sided, short edge
} // namespace DevDuplex

// The device mode of a job, as far as the monitor reads it: the media (paper) name the spooler
// reports, e.g. "iso_a4_210x297mm" or "A4" (empty when it names none), and how it prints.
struct DevMode
{
    std::string Media;
    int16_t Color = DevColor::Unknown;
    int16_t Duplex = DevDuplex::Unknown;
};

// One queued job as a queue listing gives it.
struct JobEntry
{
    uint32_t JobId = 0;
    std::optional<std::string> Document;
    std::optional<std::string> UserName;
    std::optional<std::string> MachineName; // "\\" + the originating host
    uint32_t Status = 0;                    // JobStatus bits
    uint32_t PagesPrinted = 0;
    uint32_t TotalPages = 0;
    uint32_t Size = 0; // bytes
    SystemTime Submitted;
    std::optional<DevMode> Devmode; // absent: the job carries no device mode
    // Absent: the printer the job was listed or notified for.
    std::optional<std::string> PrinterName;
};

// The printer fields a listing or a probe reads.
struct PrinterState
{
    std::optional<std::string> PrinterName;
    std::optional<std::string> ServerName;
    std::optional<std::string> ShareName;
    uint32_t Status = 0; // PrinterStatus bits
    uint32_t JobCount = 0;
};

// One entry of a change notification: a 32-bit value, or a text (absent allowed), or a time.
struct NotifyEntry
{
    uint16_t Type = 0;
    uint16_t Field = 0;
    uint32_t Id = 0; // job identifier of job entries
    uint32_t Value = 0;
    std::optional<std::string> Text;
    SystemTime Time;
    std::optional<DevMode> Devmode; // the device mode of a DEVMODE entry, absent when none
};

struct NotifyInfo
{
    uint32_t Flags = 0; // Notify::InfoDiscarded
    std::vector<NotifyEntry> Entries;
    // Every job of the printer with an id up to this one has been reported by this read or an
    // earlier one (queued, or with its final values).
    uint32_t SeenUpTo = 0;
    // First read after resuming only: job ids at or above the resume point that the spooler's
    // job history no longer holds (purged while nobody followed the printer).
    uint32_t MissingJobs = 0;
};

// Where following a printer's jobs resumes: every job of the printer with an id up to UpTo has
// been taken care of, except the ids in Open (jobs that were still queued or not yet handed
// over). Job ids grow over the whole spooler, so UpTo may be another printer's job.
struct ResumePoint
{
    uint32_t UpTo = 0;
    std::vector<uint32_t> Open; // ascending, all <= UpTo

    bool operator==(const ResumePoint &) const = default;
};

enum class OpenError
{
    None,
    EmptyName,
    UnknownPrinter,    // the server answered: no such printer
    ServerUnreachable, // no connection to the server
    Other,
};

// Change notifications of one printer. Event() is signalled when there is something to read;
// every read returns the current values of the printer's fields and of every queued job's
// fields, plus the final values of the jobs that left the queue since the previous read,
// including jobs created and finished in between (so every job up to NotifyInfo::SeenUpTo has
// been reported by some read).
class ChangeNotification
{
public:
    virtual ~ChangeNotification() = default;
    virtual std::shared_ptr<WaitEvent> Event() const = 0;
    // Resets the event and reads. False on failure (LastError says why); Flags carry
    // Notify::InfoDiscarded (and no entries) when information was lost since the last read.
    virtual bool FindNext(NotifyInfo &Info) = 0;
    virtual int LastError() const = 0;
};

// An open printer. Calls never overlap, but they may come from different threads (the monitor
// thread and the window thread); an implementation keeps per-thread resources itself.
class PrinterHandle
{
public:
    virtual ~PrinterHandle() = default;
    virtual bool GetPrinter(PrinterState &State) = 0;
    // Every queued (not yet completed) job, in queue order.
    virtual bool EnumJobs(std::vector<JobEntry> &Jobs) = 0;
    // The point a printer followed from now on starts at: the spooler's highest job id so far,
    // and the printer's jobs not completed yet.
    virtual bool CurrentPoint(ResumePoint &Point) = 0;
    // Null on failure (LastError says why). Without From, jobs that finished before the call are
    // not reported. With From, the first read also reports, with their final values, the jobs of
    // the printer that finished above From.UpTo or among From.Open.
    virtual std::unique_ptr<ChangeNotification>
    FindFirstChangeNotification(const std::optional<ResumePoint> &From) = 0;
    virtual int LastError() const = 0;
};

class Spooler
{
public:
    virtual ~Spooler() = default;
    // Null on failure, with the reason in Error.
    virtual std::unique_ptr<PrinterHandle> OpenPrinter(const std::string &Name,
                                                       OpenError *Error) = 0;
};

} // namespace vesk::spooler
