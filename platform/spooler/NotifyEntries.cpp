// Notification entries that carry a job's and a printer's fields to the monitor.
#include "NotifyEntries.h"

namespace vesk::spooler {

void AppendJobNotifyEntries(std::vector<NotifyEntry> &Out, const JobEntry &J,
                            const std::optional<std::string> &StatusText, uint32_t BytesPrinted)
{
    auto Add = [&](uint16_t Field) -> NotifyEntry & {
        NotifyEntry E;
        E.Type = Notify::JobType;
        E.Field = Field;
        E.Id = J.JobId;
        Out.push_back(E);
        return Out.back();
    };
    Add(Notify::JobStatusField).Value = J.Status;
    Add(Notify::JobStatusString).Text = StatusText;
    Add(Notify::JobDocument).Text = J.Document;
    Add(Notify::JobUserName).Text = J.UserName;
    Add(Notify::JobTotalPages).Value = J.TotalPages;
    Add(Notify::JobPagesPrinted).Value = J.PagesPrinted;
    Add(Notify::JobSubmitted).Time = J.Submitted;
    Add(Notify::JobBytesPrinted).Value = BytesPrinted;
    Add(Notify::JobTotalBytes).Value = J.Size;
    Add(Notify::JobMachineName).Text = J.MachineName;
    Add(Notify::JobDevMode).Devmode = J.Devmode;
    if (J.PrinterName)
        Add(Notify::JobPrinterName).Text = J.PrinterName;
}

void AppendPrinterNotifyEntries(std::vector<NotifyEntry> &Out, const PrinterState &S)
{
    auto Add = [&](uint16_t Field) -> NotifyEntry & {
        NotifyEntry E;
        E.Type = Notify::PrinterType;
        E.Field = Field;
        Out.push_back(E);
        return Out.back();
    };
    Add(Notify::PrinterStatusField).Value = S.Status;
    Add(Notify::PrinterCJobs).Value = S.JobCount;
    Add(Notify::PrinterPrinterName).Text = S.PrinterName;
    Add(Notify::PrinterServerName).Text = S.ServerName;
    Add(Notify::PrinterShareName).Text = S.ShareName;
}

} // namespace vesk::spooler
