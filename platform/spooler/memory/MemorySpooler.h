// An in-process spooler that tests script: printers, queues, change notifications and failures.
#pragma once

#include "Spooler.h"

#include <map>
#include <mutex>
#include <optional>
#include <set>

namespace vesk::spooler {

// Thread-safe: the test thread scripts while monitor and window threads read.
class MemorySpooler : public Spooler, public std::enable_shared_from_this<MemorySpooler>
{
public:
    std::unique_ptr<PrinterHandle> OpenPrinter(const std::string &Name, OpenError *Error) override;

    // Script. Every change signals the printer's open notifications unless said otherwise.
    void AddPrinter(const std::string &Name, const std::string &Server = "\\\\memory");
    void SetServerReachable(bool Reachable);
    void SetPrinterStatus(const std::string &Name, uint32_t Status);
    void AddJob(const std::string &Name, const JobEntry &Job);
    void UpdateJob(const std::string &Name, const JobEntry &Job);
    // Takes the job out of the queue; the next read reports Final as its last values. Without
    // Signal nothing wakes the readers (the event is still on its way).
    void CompleteJob(const std::string &Name, const JobEntry &Final, bool Signal = true);
    // Takes the job out of the queue without any notification (as if the event were lost).
    void RemoveJobSilently(const std::string &Name, uint32_t JobId);
    // Signals a change without changing anything.
    void Touch(const std::string &Name);
    // The next read reports discarded information.
    void Discard(const std::string &Name);

    // Failures: error numbers that the next calls fail with (0 = succeed).
    void FailFindFirst(const std::string &Name, int Error);
    void FailRefreshAfterDiscard(const std::string &Name, int Error);
    void FailListing(const std::string &Name, bool Fail);

    // Observation.
    int GetPrinterCalls(const std::string &Name) const; // every listing starts with one
    int EnumJobsCalls(const std::string &Name) const;
    // True when a notification is open and every change so far has been read.
    bool Settled(const std::string &Name) const;
    int FindNextCalls(const std::string &Name) const;
    int OpenNotifications(const std::string &Name) const;

private:
    friend class MemoryPrinter;
    friend class MemoryNotification;

    struct Listener
    {
        std::shared_ptr<WaitEvent> Event;
        bool Discarded = false;
        std::vector<JobEntry> Finished;
        std::optional<ResumePoint> Resume; // caught up with at the first read
    };

    struct Printer
    {
        PrinterState State;
        std::vector<JobEntry> Jobs;
        std::vector<JobEntry> History; // final values of the jobs that left the queue
        std::vector<std::shared_ptr<Listener>> Listeners;
        int FailFindFirst = 0;
        int FailRefresh = 0;
        bool FailListing = false;
        int GetPrinterCalls = 0;
        int EnumJobsCalls = 0;
        int FindNextCalls = 0;
    };

    void signalChange(Printer &P);
    Printer &find(const std::string &Name);
    const Printer &find(const std::string &Name) const;

    mutable std::mutex mutex_;
    std::map<std::string, Printer> printers_;
    bool reachable_ = true;
    uint32_t highestId_ = 0; // over every printer, as a server numbers its jobs
};

} // namespace vesk::spooler
