// The printer monitor's records: a job, a printer with its job array, the tracked-job list.
#pragma once

#include "JobOutcome.h"
#include "Spooler.h"

#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesk {

using spooler::SystemTime;

// An absent text (no value) is not the same as an empty one.
using OptText = std::optional<std::string>;

// One job of a printer queue. A new record is all zero with every text absent.
struct TPrinterJob
{
    uint32_t JobId = 0;
    OptText Document;
    int32_t PaperSize = 0; // paper size code; 0 when the job carries no device mode
    OptText UserName;
    OptText MachineName; // begins with two backslashes
    OptText PrinterName; // absent: the printer of the monitor that reports the job
    OptText StatusText;
    uint32_t Status = 0; // job status bits
    uint32_t PagesPrinted = 0;
    uint32_t TotalPages = 0;
    uint32_t TotalBytes = 0;
    uint32_t BytesPrinted = 0;
    SystemTime Submitted;
    int16_t Color = spooler::DevColor::Unknown;   // from the device mode, as PaperSize
    int16_t Duplex = spooler::DevDuplex::Unknown; // from the device mode, as PaperSize
};

// A printer with a contiguous array of job records. Jobs.size() is the allocated capacity;
// only the first Count records are valid. The array grows by exactly one record when full.
// Move-only: it holds the open printer.
struct TPrinterInfo
{
    OptText PrinterName;
    OptText ServerName;
    OptText ShareName;
    uint32_t Status = 0; // printer status bits
    uint32_t JobCount = 0;
    std::unique_ptr<spooler::PrinterHandle> Printer;
    int32_t Count = 0;
    std::vector<TPrinterJob> Jobs;
    // Hand-over record of the notification path: the printer's resume point once this hand-over
    // is journaled (see PrinterMonThread.cpp).
    std::optional<spooler::ResumePoint> Mark;

    uint32_t Capacity() const { return static_cast<uint32_t>(Jobs.size()); }
};

// An element of the tracked-job list; the list keeps the order of first sight.
struct TJobNode
{
    TPrinterJob Job;
};
using TJobList = std::list<TJobNode>;

// Copies Source into Slot (absent empties it). False, with Slot unchanged, when the copy cannot
// be made.
bool SetText(OptText &Slot, const OptText &Source);
void ReleaseJob(TPrinterJob &Job);
void ClearJobs(TPrinterInfo &Info);
// False when the entry could not be converted; Count is then unchanged (the array may have grown).
bool AppendJob(TPrinterInfo &Info, const spooler::JobEntry &Entry);
bool FindJob(const TPrinterInfo &Info, uint32_t JobId);
// False, with Target released, when a text could not be copied.
bool ConvertJobEntry(TPrinterJob &Target, const spooler::JobEntry &Entry);

// How the job ended, by its last status bits: deleted is cancelled, an error without "printed"
// is aborted, anything else left the queue printed.
JobOutcome JobOutcomeOf(const TPrinterJob &Job);

TJobList::iterator FindTrackedJob(TJobList &List, uint32_t JobId);
// Each returns whether it stored something.
bool ApplyJobEntry(TJobList &List, const spooler::NotifyEntry &Entry);
bool ApplyPrinterEntry(TPrinterInfo &Info, const spooler::NotifyEntry &Entry);
// Every entry in order: to the tracked jobs, else to the printer.
void DecodeNotifyInfo(TJobList &List, TPrinterInfo &Info, const spooler::NotifyInfo &Notify);

} // namespace vesk
