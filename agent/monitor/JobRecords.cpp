// Job records: copying texts, growing the job array, decoding notification entries.
#include "JobRecords.h"

#include "PaperSize.h"

#include <new>

namespace vesk {

namespace Notify = spooler::Notify;

bool SetText(OptText &Slot, const OptText &Source)
{
    if (!Source) {
        Slot.reset();
        return true;
    }
    try {
        std::string Copy(*Source);
        Slot = std::move(Copy);
        return true;
    } catch (const std::bad_alloc &) {
        return false;
    }
}

void ReleaseJob(TPrinterJob &Job)
{
    Job = TPrinterJob{};
}

void ClearJobs(TPrinterInfo &Info)
{
    Info.Jobs.clear();
    Info.Jobs.shrink_to_fit();
    Info.Count = 0;
}

bool ConvertJobEntry(TPrinterJob &Target, const spooler::JobEntry &Entry)
{
    ReleaseJob(Target);
    Target.JobId = Entry.JobId;
    Target.Status = Entry.Status;
    Target.PagesPrinted = Entry.PagesPrinted;
    Target.TotalPages = Entry.TotalPages;
    Target.Submitted = Entry.Submitted;
    Target.TotalBytes = Entry.Size;
    if (!SetText(Target.Document, Entry.Document) || !SetText(Target.UserName, Entry.UserName) ||
        !SetText(Target.MachineName, Entry.MachineName) ||
        !SetText(Target.PrinterName, Entry.PrinterName)) {
        ReleaseJob(Target);
        return false;
    }
    if (Entry.Devmode) {
        Target.PaperSize = PaperSizeFromMedia(Entry.Devmode->Media);
        Target.Color = Entry.Devmode->Color;
        Target.Duplex = Entry.Devmode->Duplex;
    }
    return true;
}

bool AppendJob(TPrinterInfo &Info, const spooler::JobEntry &Entry)
{
    try {
        if (static_cast<uint32_t>(Info.Count) == Info.Capacity())
            Info.Jobs.emplace_back();
    } catch (const std::bad_alloc &) {
        return false;
    }
    if (!ConvertJobEntry(Info.Jobs[static_cast<size_t>(Info.Count)], Entry))
        return false;
    ++Info.Count;
    return true;
}

bool FindJob(const TPrinterInfo &Info, uint32_t JobId)
{
    for (int32_t I = 0; I < Info.Count; ++I)
        if (Info.Jobs[static_cast<size_t>(I)].JobId == JobId)
            return true;
    return false;
}

JobOutcome JobOutcomeOf(const TPrinterJob &Job)
{
    namespace JobStatus = spooler::JobStatus;
    if (Job.Status & JobStatus::Deleted)
        return JobOutcome::Cancelled;
    if ((Job.Status & JobStatus::Error) && !(Job.Status & JobStatus::Printed))
        return JobOutcome::Aborted;
    return JobOutcome::Printed;
}

TJobList::iterator FindTrackedJob(TJobList &List, uint32_t JobId)
{
    for (auto It = List.begin(); It != List.end(); ++It)
        if (It->Job.JobId == JobId)
            return It;
    return List.end();
}

bool ApplyJobEntry(TJobList &List, const spooler::NotifyEntry &Entry)
{
    if (Entry.Type != Notify::JobType)
        return false;
    auto It = FindTrackedJob(List, Entry.Id);
    if (It == List.end()) {
        TJobNode Node;
        Node.Job.JobId = Entry.Id;
        It = List.insert(List.end(), std::move(Node));
    }
    TPrinterJob &Job = It->Job;
    switch (Entry.Field) {
    case Notify::JobMachineName:
        return SetText(Job.MachineName, Entry.Text);
    case Notify::JobPrinterName:
        return SetText(Job.PrinterName, Entry.Text);
    case Notify::JobUserName:
        return SetText(Job.UserName, Entry.Text);
    case Notify::JobDevMode:
        if (!Entry.Devmode)
            return false;
        Job.PaperSize = PaperSizeFromMedia(Entry.Devmode->Media);
        Job.Color = Entry.Devmode->Color;
        Job.Duplex = Entry.Devmode->Duplex;
        return true;
    case Notify::JobStatusField:
        Job.Status = Entry.Value;
        return true;
    case Notify::JobStatusString:
        return SetText(Job.StatusText, Entry.Text);
    case Notify::JobDocument:
        return SetText(Job.Document, Entry.Text);
    case Notify::JobSubmitted:
        Job.Submitted = Entry.Time;
        return true;
    case Notify::JobTotalPages:
        Job.TotalPages = Entry.Value;
        return true;
    case Notify::JobPagesPrinted:
        Job.PagesPrinted = Entry.Value;
        return true;
    case Notify::JobTotalBytes:
        Job.TotalBytes = Entry.Value;
        return true;
    case Notify::JobBytesPrinted:
        Job.BytesPrinted = Entry.Value;
        return true;
    default:
        return false;
    }
}

bool ApplyPrinterEntry(TPrinterInfo &Info, const spooler::NotifyEntry &Entry)
{
    if (Entry.Type != Notify::PrinterType)
        return false;
    switch (Entry.Field) {
    case Notify::PrinterServerName:
        return SetText(Info.ServerName, Entry.Text);
    case Notify::PrinterPrinterName:
        return SetText(Info.PrinterName, Entry.Text);
    case Notify::PrinterShareName:
        return SetText(Info.ShareName, Entry.Text);
    case Notify::PrinterStatusField:
        Info.Status = Entry.Value;
        return true;
    case Notify::PrinterCJobs:
        Info.JobCount = Entry.Value;
        return true;
    default:
        return false;
    }
}

void DecodeNotifyInfo(TJobList &List, TPrinterInfo &Info, const spooler::NotifyInfo &Notify)
{
    for (const auto &E : Notify.Entries)
        if (!ApplyJobEntry(List, E))
            ApplyPrinterEntry(Info, E);
}

} // namespace vesk
