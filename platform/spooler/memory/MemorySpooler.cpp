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
        : FOwner(std::move(Owner)), FName(std::move(Name)), FListener(std::move(L))
    {}
    ~MemoryNotification() override
    {
        std::lock_guard Lock(FOwner->FMutex);
        auto &Ls = FOwner->Find(FName).Listeners;
        Ls.erase(std::remove(Ls.begin(), Ls.end(), FListener), Ls.end());
    }
    std::shared_ptr<WaitEvent> Event() const override { return FListener->Event; }
    bool FindNext(NotifyInfo &Info) override
    {
        std::lock_guard Lock(FOwner->FMutex);
        auto &P = FOwner->Find(FName);
        ++P.FindNextCalls;
        FListener->Event->reset();
        Info = NotifyInfo{};
        if (FListener->Discarded) {
            FListener->Discarded = false;
            Info.Flags = Notify::InfoDiscarded;
            if (P.FailRefresh != 0) {
                // The read that follows a discard fails once.
                FPendingRefreshFailure = P.FailRefresh;
                P.FailRefresh = 0;
            }
            return true;
        }
        if (FPendingRefreshFailure != 0 || !FOwner->FReachable) {
            FLastError = FPendingRefreshFailure != 0 ? FPendingRefreshFailure : 1722;
            FPendingRefreshFailure = 0;
            return false;
        }
        AppendPrinterNotifyEntries(Info.Entries, P.State);
        for (const auto &J : P.Jobs)
            AppendJobNotifyEntries(Info.Entries, J);
        for (const auto &J : FListener->Finished)
            AppendJobNotifyEntries(Info.Entries, J);
        FListener->Finished.clear();
        if (FListener->Resume) {
            const ResumePoint &From = *FListener->Resume;
            for (const auto &J : P.History)
                if (J.JobId > From.UpTo ||
                    std::binary_search(From.Open.begin(), From.Open.end(), J.JobId))
                    AppendJobNotifyEntries(Info.Entries, J);
            FListener->Resume.reset();
        }
        Info.SeenUpTo = FOwner->FHighestId;
        return true;
    }
    int LastError() const override { return FLastError; }

private:
    std::shared_ptr<MemorySpooler> FOwner;
    std::string FName;
    std::shared_ptr<MemorySpooler::Listener> FListener;
    int FPendingRefreshFailure = 0;
    int FLastError = 0;
};

class MemoryPrinter : public PrinterHandle
{
public:
    MemoryPrinter(std::shared_ptr<MemorySpooler> Owner, std::string Name)
        : FOwner(std::move(Owner)), FName(std::move(Name))
    {}
    bool GetPrinter(PrinterState &State) override
    {
        std::lock_guard Lock(FOwner->FMutex);
        auto &P = FOwner->Find(FName);
        ++P.GetPrinterCalls;
        if (!FOwner->FReachable || P.FailListing)
            return Fail(1722);
        State = P.State;
        State.JobCount = static_cast<uint32_t>(P.Jobs.size());
        return true;
    }
    bool EnumJobs(std::vector<JobEntry> &Jobs) override
    {
        std::lock_guard Lock(FOwner->FMutex);
        auto &P = FOwner->Find(FName);
        ++P.EnumJobsCalls;
        if (!FOwner->FReachable || P.FailListing)
            return Fail(1722);
        Jobs = P.Jobs;
        return true;
    }
    bool CurrentPoint(ResumePoint &Point) override
    {
        std::lock_guard Lock(FOwner->FMutex);
        auto &P = FOwner->Find(FName);
        if (!FOwner->FReachable || P.FailListing)
            return Fail(1722);
        Point = ResumePoint{FOwner->FHighestId, {}};
        for (const auto &J : P.Jobs)
            Point.Open.push_back(J.JobId);
        std::sort(Point.Open.begin(), Point.Open.end());
        return true;
    }
    std::unique_ptr<ChangeNotification>
    FindFirstChangeNotification(const std::optional<ResumePoint> &From) override
    {
        std::lock_guard Lock(FOwner->FMutex);
        auto &P = FOwner->Find(FName);
        if (P.FailFindFirst != 0)
            return Fail(P.FailFindFirst), nullptr;
        auto L = std::make_shared<MemorySpooler::Listener>();
        L->Resume = From;
        L->Event = std::make_shared<WaitEvent>(true); // the first read gives the whole state
        P.Listeners.push_back(L);
        return std::make_unique<MemoryNotification>(FOwner, FName, L);
    }
    int LastError() const override { return FLastError; }

private:
    bool Fail(int E)
    {
        FLastError = E;
        return false;
    }
    std::shared_ptr<MemorySpooler> FOwner;
    std::string FName;
    int FLastError = 0;
};

std::unique_ptr<PrinterHandle> MemorySpooler::OpenPrinter(const std::string &Name, OpenError *Error)
{
    auto Result = [&](OpenError E) {
        if (Error != nullptr)
            *Error = E;
    };
    if (Name.empty())
        return Result(OpenError::EmptyName), nullptr;
    std::lock_guard Lock(FMutex);
    if (!FReachable)
        return Result(OpenError::ServerUnreachable), nullptr;
    if (FPrinters.count(Name) == 0)
        return Result(OpenError::UnknownPrinter), nullptr;
    Result(OpenError::None);
    return std::make_unique<MemoryPrinter>(shared_from_this(), Name);
}

MemorySpooler::Printer &MemorySpooler::Find(const std::string &Name)
{
    auto It = FPrinters.find(Name);
    if (It == FPrinters.end())
        throw std::logic_error("MemorySpooler: no printer " + Name);
    return It->second;
}

const MemorySpooler::Printer &MemorySpooler::Find(const std::string &Name) const
{
    return const_cast<MemorySpooler *>(this)->Find(Name);
}

void MemorySpooler::Signal(Printer &P)
{
    P.State.JobCount = static_cast<uint32_t>(P.Jobs.size());
    for (auto &L : P.Listeners)
        L->Event->set();
}

void MemorySpooler::AddPrinter(const std::string &Name, const std::string &Server)
{
    std::lock_guard Lock(FMutex);
    Printer P;
    P.State.PrinterName = Name;
    P.State.ServerName = Server;
    FPrinters[Name] = P;
}

void MemorySpooler::SetServerReachable(bool Reachable)
{
    std::lock_guard Lock(FMutex);
    FReachable = Reachable;
}

void MemorySpooler::SetPrinterStatus(const std::string &Name, uint32_t Status)
{
    std::lock_guard Lock(FMutex);
    auto &P = Find(Name);
    P.State.Status = Status;
    Signal(P);
}

void MemorySpooler::AddJob(const std::string &Name, const JobEntry &Job)
{
    std::lock_guard Lock(FMutex);
    auto &P = Find(Name);
    P.Jobs.push_back(Job);
    FHighestId = std::max(FHighestId, Job.JobId);
    Signal(P);
}

void MemorySpooler::UpdateJob(const std::string &Name, const JobEntry &Job)
{
    std::lock_guard Lock(FMutex);
    auto &P = Find(Name);
    for (auto &J : P.Jobs)
        if (J.JobId == Job.JobId)
            J = Job;
    Signal(P);
}

void MemorySpooler::CompleteJob(const std::string &Name, const JobEntry &Final)
{
    std::lock_guard Lock(FMutex);
    auto &P = Find(Name);
    std::erase_if(P.Jobs, [&](const JobEntry &J) { return J.JobId == Final.JobId; });
    P.History.push_back(Final);
    FHighestId = std::max(FHighestId, Final.JobId);
    for (auto &L : P.Listeners)
        L->Finished.push_back(Final);
    Signal(P);
}

void MemorySpooler::RemoveJobSilently(const std::string &Name, uint32_t JobId)
{
    std::lock_guard Lock(FMutex);
    auto &P = Find(Name);
    std::erase_if(P.Jobs, [&](const JobEntry &J) { return J.JobId == JobId; });
    P.State.JobCount = static_cast<uint32_t>(P.Jobs.size());
}

void MemorySpooler::Touch(const std::string &Name)
{
    std::lock_guard Lock(FMutex);
    Signal(Find(Name));
}

void MemorySpooler::Discard(const std::string &Name)
{
    std::lock_guard Lock(FMutex);
    auto &P = Find(Name);
    for (auto &L : P.Listeners) {
        L->Discarded = true;
        L->Finished.clear();
    }
    Signal(P);
}

void MemorySpooler::FailFindFirst(const std::string &Name, int Error)
{
    std::lock_guard Lock(FMutex);
    Find(Name).FailFindFirst = Error;
}

void MemorySpooler::FailRefreshAfterDiscard(const std::string &Name, int Error)
{
    std::lock_guard Lock(FMutex);
    Find(Name).FailRefresh = Error;
}

void MemorySpooler::FailListing(const std::string &Name, bool Fail)
{
    std::lock_guard Lock(FMutex);
    Find(Name).FailListing = Fail;
}

int MemorySpooler::EnumJobsCalls(const std::string &Name) const
{
    std::lock_guard Lock(FMutex);
    return Find(Name).EnumJobsCalls;
}

int MemorySpooler::GetPrinterCalls(const std::string &Name) const
{
    std::lock_guard Lock(FMutex);
    return Find(Name).GetPrinterCalls;
}

bool MemorySpooler::Settled(const std::string &Name) const
{
    std::lock_guard Lock(FMutex);
    const auto &Ls = Find(Name).Listeners;
    return !Ls.empty() &&
           std::none_of(Ls.begin(), Ls.end(), [](const auto &L) { return L->Event->isSet(); });
}

int MemorySpooler::FindNextCalls(const std::string &Name) const
{
    std::lock_guard Lock(FMutex);
    return Find(Name).FindNextCalls;
}

int MemorySpooler::OpenNotifications(const std::string &Name) const
{
    std::lock_guard Lock(FMutex);
    return static_cast<int>(Find(Name).Listeners.size());
}

} // namespace vesk::spooler
