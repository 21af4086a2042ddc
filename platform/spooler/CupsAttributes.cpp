// IPP attribute decoding: printer-state and reasons to status bits, job groups to job entries.
#include "CupsAttributes.h"

#include <cups/cups.h>

#include <algorithm>
#include <climits>

namespace vesk::spooler {

const char *const JobAttributeNames[] = {
    "job-id",
    "job-name",
    "job-originating-user-name",
    "job-originating-host-name",
    "job-state",
    "job-impressions",
    "job-impressions-completed",
    "job-k-octets",
    "job-k-octets-processed",
    "time-at-creation",
    "media",
    "media-col",
    "job-printer-state-message",
    "job-printer-uri",
    "job-printer-uri-actual",
    "job-media-sheets-completed",
    "print-color-mode",
    "sides",
};
const int JobAttributeCount = sizeof(JobAttributeNames) / sizeof(JobAttributeNames[0]);

const char *const PrinterAttributeNames[] = {
    "printer-name",      "printer-state", "printer-state-reasons",    "queued-job-count",
    "printer-is-shared", "media-default", "print-color-mode-default", "sides-default",
};
const int PrinterAttributeCount = sizeof(PrinterAttributeNames) / sizeof(PrinterAttributeNames[0]);

namespace {

// A reason keyword without its "-report", "-warning" or "-error" severity suffix.
std::string BaseReason(const std::string &Reason, bool *IsError)
{
    for (const char *Suffix : {"-report", "-warning", "-error"}) {
        const std::string S(Suffix);
        if (Reason.size() > S.size() &&
            Reason.compare(Reason.size() - S.size(), S.size(), S) == 0) {
            if (IsError != nullptr)
                *IsError = (S == "-error");
            return Reason.substr(0, Reason.size() - S.size());
        }
    }
    if (IsError != nullptr)
        *IsError = false;
    return Reason;
}

uint32_t ClampToU32(long long V)
{
    if (V < 0)
        return 0;
    return V > static_cast<long long>(UINT32_MAX) ? UINT32_MAX : static_cast<uint32_t>(V);
}

std::optional<std::string> MediaFromCollection(ipp_t *Col)
{
    if (Col == nullptr)
        return std::nullopt;
    if (ipp_attribute_t *Key = ippFindAttribute(Col, "media-key", IPP_TAG_ZERO))
        if (const char *S = ippGetString(Key, 0, nullptr))
            return std::string(S);
    ipp_attribute_t *Size = ippFindAttribute(Col, "media-size", IPP_TAG_BEGIN_COLLECTION);
    if (Size == nullptr)
        return std::nullopt;
    ipp_t *SizeCol = ippGetCollection(Size, 0);
    ipp_attribute_t *X = ippFindAttribute(SizeCol, "x-dimension", IPP_TAG_INTEGER);
    ipp_attribute_t *Y = ippFindAttribute(SizeCol, "y-dimension", IPP_TAG_INTEGER);
    if (X == nullptr || Y == nullptr)
        return std::nullopt;
    if (pwg_media_t *M = pwgMediaForSize(ippGetInteger(X, 0), ippGetInteger(Y, 0)))
        return std::string(M->pwg);
    return std::nullopt;
}

// The queue a printer URI names (".../printers/NAME" or ".../classes/NAME").
std::optional<std::string> QueueOfUri(const char *Uri)
{
    char Scheme[32], User[64], Host[HTTP_MAX_HOST], Resource[HTTP_MAX_URI];
    int Port = 0;
    if (Uri == nullptr ||
        httpSeparateURI(HTTP_URI_CODING_ALL, Uri, Scheme, sizeof(Scheme), User, sizeof(User), Host,
                        sizeof(Host), &Port, Resource, sizeof(Resource)) < HTTP_URI_STATUS_OK)
        return std::nullopt;
    const std::string Path(Resource);
    for (const char *Folder : {"/printers/", "/classes/"}) {
        const std::string F(Folder);
        if (Path.size() > F.size() && Path.compare(0, F.size(), F) == 0)
            return Path.substr(F.size());
    }
    return std::nullopt;
}

} // namespace

std::string DocumentName(const std::string &JobName)
{
    // "smbprn." + eight digits + one space, exactly: Samba's spooler prefix.
    static constexpr std::size_t Length = 16;
    if (JobName.size() < Length || JobName.compare(0, 7, "smbprn.") != 0 || JobName[15] != ' ')
        return JobName;
    for (std::size_t I = 7; I < 15; ++I)
        if (JobName[I] < '0' || JobName[I] > '9')
            return JobName;
    return JobName.substr(Length);
}

uint32_t PrinterStatusBits(int IppState, const std::vector<std::string> &Reasons)
{
    uint32_t Bits = 0;
    if (IppState == IPP_PSTATE_PROCESSING)
        Bits |= PrinterStatus::Printing;
    else if (IppState == IPP_PSTATE_STOPPED)
        Bits |= PrinterStatus::Paused;
    for (const auto &R : Reasons) {
        bool IsError = false;
        const std::string Base = BaseReason(R, &IsError);
        if (Base == "none")
            continue;
        if (Base == "paused" || Base == "moving-to-paused")
            Bits |= PrinterStatus::Paused;
        else if (Base == "media-empty" || Base == "media-needed")
            Bits |= PrinterStatus::PaperOut;
        else if (Base == "media-jam")
            Bits |= PrinterStatus::PaperJam;
        else if (Base == "offline" || Base == "timed-out" || Base == "shutdown")
            Bits |= PrinterStatus::Offline;
        else if (Base == "toner-low" || Base == "marker-supply-low")
            Bits |= PrinterStatus::TonerLow;
        else if (Base == "toner-empty" || Base == "marker-supply-empty")
            Bits |= PrinterStatus::NoToner;
        else if (Base == "door-open" || Base == "cover-open")
            Bits |= PrinterStatus::DoorOpen;
        else if (Base == "output-area-full")
            Bits |= PrinterStatus::OutputBinFull;
        else if (Base == "connecting-to-device")
            Bits |= PrinterStatus::Waiting;
        if (IsError)
            Bits |= PrinterStatus::Error;
    }
    return Bits;
}

uint32_t JobStatusBits(int IppState)
{
    switch (IppState) {
    case IPP_JSTATE_HELD:
        return JobStatus::Paused;
    case IPP_JSTATE_PROCESSING:
        return JobStatus::Printing;
    case IPP_JSTATE_STOPPED:
        return JobStatus::BlockedDevq;
    case IPP_JSTATE_CANCELED:
        return JobStatus::Deleted;
    case IPP_JSTATE_ABORTED:
        return JobStatus::Error;
    case IPP_JSTATE_COMPLETED:
        return JobStatus::Printed | JobStatus::Complete;
    default: // pending
        return 0;
    }
}

int16_t DevColorOf(const std::string &Mode)
{
    if (Mode == "color")
        return DevColor::Color;
    if (Mode == "monochrome" || Mode == "bi-level" || Mode == "process-monochrome" ||
        Mode == "process-bi-level" || Mode == "auto-monochrome")
        return DevColor::Monochrome;
    return DevColor::Unknown; // auto, highlight, vendor modes: the device decides
}

int16_t DevDuplexOf(const std::string &Sides)
{
    if (Sides == "one-sided")
        return DevDuplex::Simplex;
    if (Sides == "two-sided-long-edge")
        return DevDuplex::Vertical;
    if (Sides == "two-sided-short-edge")
        return DevDuplex::Horizontal;
    return DevDuplex::Unknown;
}

void ApplyJobDefaults(JobEntry &Entry, const JobDefaults &Defaults)
{
    if (!Entry.Devmode) {
        if (!Defaults.Media && Defaults.Color == DevColor::Unknown &&
            Defaults.Duplex == DevDuplex::Unknown)
            return;
        Entry.Devmode = DevMode{};
    }
    DevMode &D = *Entry.Devmode;
    if (D.Media.empty() && Defaults.Media)
        D.Media = *Defaults.Media;
    if (D.Color == DevColor::Unknown)
        D.Color = Defaults.Color;
    if (D.Duplex == DevDuplex::Unknown)
        D.Duplex = Defaults.Duplex;
}

SystemTime LocalSystemTime(std::time_t Time)
{
    std::tm Tm{};
    localtime_r(&Time, &Tm);
    SystemTime S;
    S.wYear = static_cast<uint16_t>(Tm.tm_year + 1900);
    S.wMonth = static_cast<uint16_t>(Tm.tm_mon + 1);
    S.wDayOfWeek = static_cast<uint16_t>(Tm.tm_wday);
    S.wDay = static_cast<uint16_t>(Tm.tm_mday);
    S.wHour = static_cast<uint16_t>(Tm.tm_hour);
    S.wMinute = static_cast<uint16_t>(Tm.tm_min);
    S.wSecond = static_cast<uint16_t>(Tm.tm_sec);
    return S;
}

std::vector<IppJob> JobsFromResponse(ipp_t *Response)
{
    std::vector<IppJob> Jobs;
    if (Response == nullptr)
        return Jobs;
    ipp_attribute_t *A = ippFirstAttribute(Response);
    while (A != nullptr) {
        while (A != nullptr && ippGetGroupTag(A) != IPP_TAG_JOB)
            A = ippNextAttribute(Response);
        if (A == nullptr)
            break;
        IppJob J;
        bool HaveImpressions = false, HaveCompleted = false;
        uint32_t Impressions = 0, Sheets = 0;
        std::optional<std::string> Media;
        int16_t Color = DevColor::Unknown, Duplex = DevDuplex::Unknown;
        for (; A != nullptr && ippGetGroupTag(A) == IPP_TAG_JOB; A = ippNextAttribute(Response)) {
            const char *N = ippGetName(A);
            if (N == nullptr)
                break;
            const std::string Name(N);
            const char *S = ippGetString(A, 0, nullptr);
            if (Name == "job-id")
                J.Entry.JobId = ClampToU32(ippGetInteger(A, 0));
            else if (Name == "job-name" && S != nullptr)
                J.Entry.Document = DocumentName(S);
            else if (Name == "job-originating-user-name" && S != nullptr)
                J.Entry.UserName = S;
            else if (Name == "job-originating-host-name" && S != nullptr)
                J.Entry.MachineName = std::string("\\\\") + S;
            else if (Name == "job-state")
                J.State = ippGetInteger(A, 0);
            else if (Name == "job-impressions") {
                HaveImpressions = true;
                Impressions = ClampToU32(ippGetInteger(A, 0));
            } else if (Name == "job-impressions-completed") {
                HaveCompleted = true;
                J.Entry.PagesPrinted = ClampToU32(ippGetInteger(A, 0));
            } else if (Name == "job-media-sheets-completed")
                Sheets = ClampToU32(ippGetInteger(A, 0));
            else if (Name == "job-k-octets")
                J.Entry.Size = ClampToU32(1024LL * ippGetInteger(A, 0));
            else if (Name == "job-k-octets-processed")
                J.BytesPrinted = ClampToU32(1024LL * ippGetInteger(A, 0));
            else if (Name == "time-at-creation")
                J.Entry.Submitted = LocalSystemTime(static_cast<std::time_t>(ippGetInteger(A, 0)));
            else if (Name == "media" && S != nullptr)
                Media = S;
            else if (Name == "media-col" && !Media)
                Media = MediaFromCollection(ippGetCollection(A, 0));
            else if (Name == "print-color-mode" && S != nullptr)
                Color = DevColorOf(S);
            else if (Name == "sides" && S != nullptr)
                Duplex = DevDuplexOf(S);
            else if (Name == "job-printer-state-message" && S != nullptr && *S != '\0')
                J.StatusText = S;
            else if (Name == "job-printer-uri")
                J.Queue = QueueOfUri(S);
            else if (Name == "job-printer-uri-actual")
                J.PrintedOn = QueueOfUri(S);
        }
        // Sheets stand in for the pages printed only where impressions are not reported.
        if (!HaveCompleted)
            J.Entry.PagesPrinted = Sheets;
        if (Media || Color != DevColor::Unknown || Duplex != DevDuplex::Unknown)
            J.Entry.Devmode = DevMode{Media.value_or(std::string()), Color, Duplex};
        // A total exists only when the client sent one; otherwise the filters' count, final
        // once the job has completed.
        J.Entry.TotalPages = HaveImpressions ? Impressions : J.Entry.PagesPrinted;
        J.Entry.Status = JobStatusBits(J.State);
        Jobs.push_back(std::move(J));
    }
    return Jobs;
}

IppPrinter PrinterFromResponse(ipp_t *Response, const std::string &ServerName)
{
    IppPrinter P;
    P.State.ServerName = ServerName;
    int State = 0;
    std::vector<std::string> Reasons;
    bool Shared = false;
    for (ipp_attribute_t *A = ippFirstAttribute(Response); A != nullptr;
         A = ippNextAttribute(Response)) {
        if (ippGetGroupTag(A) != IPP_TAG_PRINTER || ippGetName(A) == nullptr)
            continue;
        const std::string Name(ippGetName(A));
        const char *S = ippGetString(A, 0, nullptr);
        if (Name == "printer-name" && S != nullptr)
            P.State.PrinterName = S;
        else if (Name == "printer-state")
            State = ippGetInteger(A, 0);
        else if (Name == "printer-state-reasons") {
            for (int I = 0; I < ippGetCount(A); ++I)
                if (const char *R = ippGetString(A, I, nullptr))
                    Reasons.emplace_back(R);
        } else if (Name == "queued-job-count")
            P.State.JobCount = ClampToU32(ippGetInteger(A, 0));
        else if (Name == "printer-is-shared")
            Shared = ippGetBoolean(A, 0) != 0;
        else if (Name == "media-default" && S != nullptr)
            P.MediaDefault = S;
        else if (Name == "print-color-mode-default" && S != nullptr)
            P.Defaults.Color = DevColorOf(S);
        else if (Name == "sides-default" && S != nullptr)
            P.Defaults.Duplex = DevDuplexOf(S);
    }
    P.Defaults.Media = P.MediaDefault;
    P.State.Status = PrinterStatusBits(State, Reasons);
    if (Shared)
        P.State.ShareName = P.State.PrinterName;
    return P;
}

} // namespace vesk::spooler
