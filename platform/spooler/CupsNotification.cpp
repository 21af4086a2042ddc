// A printer's change notification: each read brings the printer, its queue and the final values
// of the jobs that left it, caught up from the resume point on the first read.
#include "CupsNotification.h"

#include "NotifyEntries.h"

#include <algorithm>

namespace vesk::spooler::cups {

CupsNotification::CupsNotification(std::shared_ptr<PrinterCore> Core,
                                   std::shared_ptr<SubscriptionHub> Hub)
    : FCore(std::move(Core)), FHub(std::move(Hub)), FListener(std::make_shared<Listener>())
{
    FListener->Printer = FCore->Name();
    FHub->Add(FListener);
}

CupsNotification::~CupsNotification()
{
    FHub->Remove(FListener);
}

bool CupsNotification::Start(const std::optional<ResumePoint> &From)
{
    if (From) {
        FSeenUpTo = From->UpTo;
        FResume = From;
        FListener->Event->set();
        return true;
    }
    if (FCore->HighestJobId(FSeenUpTo))
        return true;
    FLastError = FCore->LastError();
    return false;
}

bool CupsNotification::FindNext(NotifyInfo &Info)
{
    Info = NotifyInfo{};
    bool Discarded = false;
    std::set<uint32_t> Finished;
    {
        std::lock_guard Lock(FHub->Mutex());
        FListener->Event->reset();
        Discarded = FListener->Discarded;
        FListener->Discarded = false;
        Finished.swap(FListener->Finished);
    }
    if (Discarded) {
        Keep(Finished);
        Info.Flags = Notify::InfoDiscarded;
        return true;
    }
    const auto Fail = [&] {
        Keep(Finished);
        FLastError = FCore->LastError();
        return false;
    };
    IppPrinter Printer;
    std::vector<IppJob> Jobs, Above;
    if (!FCore->ReadPrinter(Printer) || !FCore->ListJobs(Jobs))
        return Fail();
    // Everything above the highest id reported so far, queued or already finished: jobs that
    // were created and finished between two reads (or while notifications were lost, or
    // before this process ran) show in no queue listing. The later answer wins for a job
    // both listings hold.
    if (!FCore->ListAbove(FSeenUpTo, Above))
        return Fail();
    uint32_t SeenUpTo = FSeenUpTo;
    for (auto &J : Above) {
        SeenUpTo = std::max(SeenUpTo, J.Entry.JobId);
        auto It = std::find_if(Jobs.begin(), Jobs.end(),
                               [&](const IppJob &Q) { return Q.Entry.JobId == J.Entry.JobId; });
        if (It != Jobs.end())
            *It = std::move(J);
        else if (FDelivered.count(J.Entry.JobId) == 0)
            Jobs.push_back(std::move(J));
    }
    // Final values of the jobs that left the queue; a job still queued needs no second read,
    // and one whose final values went out already must not go out again. After resuming,
    // the jobs left open then are read the same way.
    uint32_t Missing = 0;
    std::set<uint32_t> ToRead = Finished;
    if (FResume)
        ToRead.insert(FResume->Open.begin(), FResume->Open.end());
    for (uint32_t Id : ToRead) {
        if (Listed(Jobs, Id) || FDelivered.count(Id) != 0)
            continue;
        bool NotFound = false;
        if (!FCore->ReadJob(Id, Jobs, &NotFound) && !NotFound)
            return Fail();
        if (NotFound && FResume && Finished.count(Id) == 0)
            ++Missing;
    }
    if (FResume) {
        uint32_t Purged = 0;
        if (!CountPurged(FResume->UpTo, Purged))
            return Fail();
        Info.MissingJobs = Missing + Purged;
        FResume.reset();
    }
    FSeenUpTo = SeenUpTo;
    Info.SeenUpTo = FSeenUpTo;
    AppendPrinterNotifyEntries(Info.Entries, Printer.State);
    for (const auto &J : Jobs) {
        AppendJobNotifyEntries(Info.Entries, J.Entry, J.StatusText, J.BytesPrinted);
        if (J.State >= IPP_JSTATE_CANCELED)
            Delivered(J.Entry.JobId);
    }
    return true;
}

bool CupsNotification::Listed(const std::vector<IppJob> &Jobs, uint32_t Id)
{
    return std::any_of(Jobs.begin(), Jobs.end(),
                       [Id](const IppJob &J) { return J.Entry.JobId == Id; });
}

bool CupsNotification::CountPurged(uint32_t UpTo, uint32_t &Purged)
{
    std::vector<PrinterCore::ServerJob> All;
    if (!FCore->ServerJobs(All))
        return false;
    uint32_t Highest = 0, Kept = 0;
    for (const auto &J : All) {
        Highest = std::max(Highest, J.Id);
        if (J.Id > UpTo)
            ++Kept;
    }
    Purged = Highest > UpTo ? Highest - UpTo - Kept : 0;
    return true;
}

void CupsNotification::Delivered(uint32_t Id)
{
    FDelivered.insert(Id);
    if (FDelivered.size() > DeliveredKept)
        FDelivered.erase(FDelivered.begin());
}

void CupsNotification::Keep(const std::set<uint32_t> &Finished)
{
    std::lock_guard Lock(FHub->Mutex());
    FListener->Finished.insert(Finished.begin(), Finished.end());
}

} // namespace vesk::spooler::cups
