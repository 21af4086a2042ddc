// Scripted spooler for tests: the same contract as the CUPS one, driven by the test.
#include "MemorySpooler.h"

#include "NotifyEntries.h"
#include "WaitEvent.h"

#include <algorithm>
#include <stdexcept>

namespace vesk::spooler {

class MemoryNotification : public ChangeNotification
{
public:
    MemoryNotification(std::shared_ptr<MemorySpooler> Owner, std::string Name,
                       std::shared_ptr<MemorySpooler::Listener> L)
        : owner_(std::move(Owner)), name_(std::move(Name)), listener_(std::move(L))
    {}
    ~MemoryNotification() override
    {
        std::lock_guard Lock(owner_->mutex_);
        auto &Ls = owner_->find(name_).Listeners;
        Ls.erase(std::remove(Ls.begin(), Ls.end(), listener_), Ls.end());
    }
    std::shared_ptr<WaitEvent> Event() const override { return listener_->Event; }
    bool FindNext(NotifyInfo &Info) override
    {
        std::lock_guard Lock(owner_->mutex_);
        auto &P = owner_->find(name_);
        ++P.FindNextCalls;
        listener_->Event->reset();
        Info = NotifyInfo{};
        if (listener_->Discarded) {
            listener_->Discarded = false;
            Info.Flags = Notify::InfoDiscarded;
            if (P.FailRefresh != 0) {
                // The read that follows a discard fails once.
                pendingRefreshFailure_ = P.FailRefresh;
                P.FailRefresh = 0;
            }
            return true;
        }
        if (pendingRefreshFailure_ != 0 || !owner_->reachable_) {
            lastError_ = pendingRefreshFailure_ != 0 ? pendingRefreshFailure_ : 1722;
            pendingRefreshFailure_ = 0;
            return false;
        }
        AppendPrinterNotifyEntries(Info.Entries, P.State);
        for (const auto &J : P.Jobs)
            AppendJobNotifyEntries(Info.Entries, J);
        for (const auto &J : listener_->Finished)
            AppendJobNotifyEntries(Info.Entries, J);
        listener_->Finished.clear();
        if (listener_->Resume) {
            const ResumePoint &From = *listener_->Resume;
            for (const auto &J : P.History)
                if (J.JobId > From.UpTo ||
                    std::binary_search(From.Open.begin(), From.Open.end(), J.JobId))
                    AppendJobNotifyEntries(Info.Entries, J);
            listener_->Resume.reset();
        }
        Info.SeenUpTo = owner_->highestId_;
        return true;
    }
    int LastError() const override { return lastError_; }

private:
    std::shared_ptr<MemorySpooler> owner_;
    std::string name_;
    std::shared_ptr<MemorySpooler::Listener> listener_;
    int pendingRefreshFailure_ = 0;
    int lastError_ = 0;
};

class MemoryPrinter : public PrinterHandle
{
public:
    MemoryPrinter(std::shared_ptr<MemorySpooler> Owner, std::string Name)
        : owner_(std::move(Owner)), name_(std::move(Name))
    {}
    bool GetPrinter(PrinterState &State) override
    {
        std::lock_guard Lock(owner_->mutex_);
        auto &P = owner_->find(name_);
        ++P.GetPrinterCalls;
        if (!owner_->reachable_ || P.FailListing)
            return Fail(1722);
        State = P.State;
        State.JobCount = static_cast<uint32_t>(P.Jobs.size());
        return true;
    }
    bool EnumJobs(std::vector<JobEntry> &Jobs) override
    {
        std::lock_guard Lock(owner_->mutex_);
        auto &P = owner_->find(name_);
        ++P.EnumJobsCalls;
        if (!owner_->reachable_ || P.FailListing)
            return Fail(1722);
        Jobs = P.Jobs;
        return true;
    }
    bool CurrentPoint(ResumePoint &Point) override
    {
        std::lock_guard Lock(owner_->mutex_);
        auto &P = owner_->find(name_);
        if (!owner_->reachable_ || P.FailListing)
            return Fail(1722);
        Point = ResumePoint{owner_->highestId_, {}};
        for (const auto &J : P.Jobs)
            Point.Open.push_back(J.JobId);
        std::sort(Point.Open.begin(), Point.Open.end());
        return true;
    }
    std::unique_ptr<ChangeNotification>
    FindFirstChangeNotification(const std::optional<ResumePoint> &From) override
    {
        std::lock_guard Lock(owner_->mutex_);
        auto &P = owner_->find(name_);
        if (P.FailFindFirst != 0)
            return Fail(P.FailFindFirst), nullptr;
        auto L = std::make_shared<MemorySpooler::Listener>();
        L->Resume = From;
        L->Event = std::make_shared<WaitEvent>(true); // the first read gives the whole state
        P.Listeners.push_back(L);
        return std::make_unique<MemoryNotification>(owner_, name_, L);
    }
    int LastError() const override { return lastError_; }

private:
    bool Fail(int E)
    {
        lastError_ = E;
        return false;
    }
    std::shared_ptr<MemorySpooler> owner_;
    std::string name_;
    int lastError_ = 0;
};

std::unique_ptr<PrinterHandle> MemorySpooler::OpenPrinter(const std::string &Name, OpenError *Error)
{
    auto Result = [&](OpenError E) {
        if (Error != nullptr)
            *Error = E;
    };
    if (Name.empty())
        return Result(OpenError::EmptyName), nullptr;
    std::lock_guard Lock(mutex_);
    if (!reachable_)
        return Result(OpenError::ServerUnreachable), nullptr;
    if (printers_.count(Name) == 0)
        return Result(OpenError::UnknownPrinter), nullptr;
    Result(OpenError::None);
    return std::make_unique<MemoryPrinter>(shared_from_this(), Name);
}

MemorySpooler::Printer &MemorySpooler::find(const std::string &Name)
{
    auto It = printers_.find(Name);
    if (It == printers_.end())
        throw std::logic_error("MemorySpooler: no printer " + Name);
    return It->second;
}

const MemorySpooler::Printer &MemorySpooler::find(const std::string &Name) const
{
    return const_cast<MemorySpooler *>(this)->find(Name);
}

void MemorySpooler::signalChange(Printer &P)
{
    P.State.JobCount = static_cast<uint32_t>(P.Jobs.size());
    for (auto &L : P.Listeners)
        L->Event->set();
}

void MemorySpooler::AddPrinter(const std::string &Name, const std::string &Server)
{
    std::lock_guard Lock(mutex_);
    Printer P;
    P.State.PrinterName = Name;
    P.State.ServerName = Server;
    printers_[Name] = P;
}

void MemorySpooler::SetServerReachable(bool Reachable)
{
    std::lock_guard Lock(mutex_);
    reachable_ = Reachable;
}

void MemorySpooler::SetPrinterStatus(const std::string &Name, uint32_t Status)
{
    std::lock_guard Lock(mutex_);
    auto &P = find(Name);
    P.State.Status = Status;
    signalChange(P);
}

void MemorySpooler::AddJob(const std::string &Name, const JobEntry &Job)
{
    std::lock_guard Lock(mutex_);
    auto &P = find(Name);
    P.Jobs.push_back(Job);
    highestId_ = std::max(highestId_, Job.JobId);
    signalChange(P);
}

void MemorySpooler::UpdateJob(const std::string &Name, const JobEntry &Job)
{
    std::lock_guard Lock(mutex_);
    auto &P = find(Name);
    for (auto &J : P.Jobs)
        if (J.JobId == Job.JobId)
            J = Job;
    signalChange(P);
}

void MemorySpooler::CompleteJob(const std::string &Name, const JobEntry &Final, bool Signal)
{
    std::lock_guard Lock(mutex_);
    auto &P = find(Name);
    std::erase_if(P.Jobs, [&](const JobEntry &J) { return J.JobId == Final.JobId; });
    P.History.push_back(Final);
    highestId_ = std::max(highestId_, Final.JobId);
    for (auto &L : P.Listeners)
        L->Finished.push_back(Final);
    if (Signal)
        signalChange(P);
    else
        P.State.JobCount = static_cast<uint32_t>(P.Jobs.size());
}

void MemorySpooler::RemoveJobSilently(const std::string &Name, uint32_t JobId)
{
    std::lock_guard Lock(mutex_);
    auto &P = find(Name);
    std::erase_if(P.Jobs, [&](const JobEntry &J) { return J.JobId == JobId; });
    P.State.JobCount = static_cast<uint32_t>(P.Jobs.size());
}

void MemorySpooler::Touch(const std::string &Name)
{
    std::lock_guard Lock(mutex_);
    signalChange(find(Name));
}

void MemorySpooler::Discard(const std::string &Name)
{
    std::lock_guard Lock(mutex_);
    auto &P = find(Name);
    for (auto &L : P.Listeners) {
        L->Discarded = true;
        L->Finished.clear();
    }
    signalChange(P);
}

void MemorySpooler::FailFindFirst(const std::string &Name, int Error)
{
    std::lock_guard Lock(mutex_);
    find(Name).FailFindFirst = Error;
}

void MemorySpooler::FailRefreshAfterDiscard(const std::string &Name, int Error)
{
    std::lock_guard Lock(mutex_);
    find(Name).FailRefresh = Error;
}

void MemorySpooler::FailListing(const std::string &Name, bool Fail)
{
    std::lock_guard Lock(mutex_);
    find(Name).FailListing = Fail;
}

int MemorySpooler::EnumJobsCalls(const std::string &Name) const
{
    std::lock_guard Lock(mutex_);
    return find(Name).EnumJobsCalls;
}

int MemorySpooler::GetPrinterCalls(const std::string &Name) const
{
    std::lock_guard Lock(mutex_);
    return find(Name).GetPrinterCalls;
}

bool MemorySpooler::Settled(const std::string &Name) const
{
    std::lock_guard Lock(mutex_);
    const auto &Ls = find(Name).Listeners;
    return !Ls.empty() &&
           std::none_of(Ls.begin(), Ls.end(), [](const auto &L) { return L->Event->isSet(); });
}

int MemorySpooler::FindNextCalls(const std::string &Name) const
{
    std::lock_guard Lock(mutex_);
    return find(Name).FindNextCalls;
}

int MemorySpooler::OpenNotifications(const std::string &Name) const
{
    std::lock_guard Lock(mutex_);
    return static_cast<int>(find(Name).Listeners.size());
}

} // namespace vesk::spooler
