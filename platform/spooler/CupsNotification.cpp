// A printer's change notification: each read brings the printer, its queue and the final values
// of the jobs that left it, caught up from the resume point on the first read.
#include "CupsNotification.h"

#include "NotifyEntries.h"

#include <algorithm>
#include <strings.h>

namespace vesk::spooler::cups {

CupsNotification::CupsNotification(std::shared_ptr<PrinterCore> Core,
                                   std::shared_ptr<SubscriptionHub> Hub)
    : core_(std::move(Core)), hub_(std::move(Hub)), listener_(std::make_shared<Listener>())
{
    listener_->Printer = core_->Name();
    hub_->Add(listener_);
}

CupsNotification::~CupsNotification()
{
    hub_->Remove(listener_);
}

bool CupsNotification::Start(const std::optional<ResumePoint> &From)
{
    if (From) {
        seenUpTo_ = From->UpTo;
        resume_ = From;
        listener_->Event->set();
        return true;
    }
    if (core_->HighestJobId(seenUpTo_))
        return true;
    lastError_ = core_->LastError();
    return false;
}

bool CupsNotification::FindNext(NotifyInfo &Info)
{
    Info = NotifyInfo{};
    bool Discarded = false;
    std::set<uint32_t> Finished;
    {
        std::lock_guard Lock(hub_->Mutex());
        listener_->Event->reset();
        Discarded = listener_->Discarded;
        listener_->Discarded = false;
        Finished.swap(listener_->Finished);
    }
    if (Discarded) {
        keep(Finished);
        Info.Flags = Notify::InfoDiscarded;
        return true;
    }
    const auto Fail = [&] {
        keep(Finished);
        lastError_ = core_->LastError();
        return false;
    };
    IppPrinter Printer;
    std::vector<IppJob> Jobs, Above;
    if (!core_->ReadPrinter(Printer) || !core_->ListJobs(Jobs))
        return Fail();
    // Everything above the highest id reported so far, queued or already finished: jobs that
    // were created and finished between two reads (or while notifications were lost, or
    // before this process ran) show in no queue listing. The later answer wins for a job
    // both listings hold.
    if (!core_->ListAbove(seenUpTo_, Above))
        return Fail();
    uint32_t SeenUpTo = seenUpTo_;
    for (auto &J : Above) {
        SeenUpTo = std::max(SeenUpTo, J.Entry.JobId);
        auto It = std::find_if(Jobs.begin(), Jobs.end(),
                               [&](const IppJob &Q) { return Q.Entry.JobId == J.Entry.JobId; });
        if (It != Jobs.end())
            *It = std::move(J);
        else if (delivered_.count(J.Entry.JobId) == 0)
            Jobs.push_back(std::move(J));
    }
    // Final values of the jobs that left the queue; a job still queued needs no second read,
    // and one whose final values went out already must not go out again. A job reported queued
    // before that no listing holds now left too, even when its event was lost. After resuming,
    // the jobs left open then are read the same way.
    uint32_t Missing = 0;
    std::set<uint32_t> ToRead = Finished;
    ToRead.insert(open_.begin(), open_.end());
    if (resume_)
        ToRead.insert(resume_->Open.begin(), resume_->Open.end());
    for (uint32_t Id : ToRead) {
        if (listed(Jobs, Id) || delivered_.count(Id) != 0)
            continue;
        bool NotFound = false;
        if (!core_->ReadJob(Id, Jobs, &NotFound) && !NotFound)
            return Fail();
        if (NotFound && resume_ && Finished.count(Id) == 0)
            ++Missing;
    }
    if (resume_) {
        uint32_t Purged = 0;
        if (!countPurged(resume_->UpTo, Purged))
            return Fail();
        Info.MissingJobs = Missing + Purged;
        resume_.reset();
    }
    attribute(Jobs);
    seenUpTo_ = SeenUpTo;
    Info.SeenUpTo = seenUpTo_;
    AppendPrinterNotifyEntries(Info.Entries, Printer.State);
    open_.clear();
    for (const auto &J : Jobs) {
        AppendJobNotifyEntries(Info.Entries, J.Entry, J.StatusText, J.BytesPrinted);
        if (J.State >= IPP_JSTATE_CANCELED)
            markDelivered(J.Entry.JobId);
        else
            open_.insert(J.Entry.JobId);
    }
    return true;
}

void CupsNotification::attribute(std::vector<IppJob> &Jobs) const
{
    const auto Other = [this](const std::optional<std::string> &Queue) {
        return Queue && strcasecmp(Queue->c_str(), core_->Name().c_str()) != 0;
    };
    std::erase_if(Jobs, [&](const IppJob &J) { return Other(J.Queue) && hub_->Watched(*J.Queue); });
    for (auto &J : Jobs)
        if (!Other(J.Queue) && Other(J.PrintedOn))
            J.Entry.PrinterName = hub_->Watched(*J.PrintedOn);
}

bool CupsNotification::listed(const std::vector<IppJob> &Jobs, uint32_t Id)
{
    return std::any_of(Jobs.begin(), Jobs.end(),
                       [Id](const IppJob &J) { return J.Entry.JobId == Id; });
}

bool CupsNotification::countPurged(uint32_t UpTo, uint32_t &Purged)
{
    std::vector<PrinterCore::ServerJob> All;
    if (!core_->ServerJobs(All))
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

void CupsNotification::markDelivered(uint32_t Id)
{
    delivered_.insert(Id);
    if (delivered_.size() > DeliveredKept)
        delivered_.erase(delivered_.begin());
}

void CupsNotification::keep(const std::set<uint32_t> &Finished)
{
    std::lock_guard Lock(hub_->Mutex());
    listener_->Finished.insert(Finished.begin(), Finished.end());
}

} // namespace vesk::spooler::cups
