// CupsNotification: the change notification of one printer, woken by the subscription hub, and
// the catch-up bookkeeping of its reads (the highest job id reported, the resume point, the jobs
// whose final values went out). Internal to the CUPS spooler.
//
// Classes. CUPS numbers a job sent to a class once and reports it to the class (its listings) and
// to the member that prints it (its events, and its queue while it prints), so a process that
// watches both would report it twice. Each such job is reported once, by the class's notification,
// which lists every job of the class also after it finished: under the member that printed it when
// this process watches that member (JobPrinterName), else under the class. A member's
// notification leaves out the jobs of a class this process watches.
#pragma once

#include "CupsPrinterCore.h"
#include "SubscriptionHub.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace vesk::spooler::cups {

class CupsNotification : public ChangeNotification
{
public:
    CupsNotification(std::shared_ptr<PrinterCore> Core, std::shared_ptr<SubscriptionHub> Hub);
    ~CupsNotification() override;

    std::shared_ptr<WaitEvent> Event() const override { return listener_->Event; }

    // Without From, jobs the printer already had are not this listener's to report. With it, the
    // first read catches up with what finished since From.
    bool Start(const std::optional<ResumePoint> &From);

    bool FindNext(NotifyInfo &Info) override;

    int LastError() const override { return lastError_; }

private:
    // Enough to cover the notifications that arrive late for jobs already reported finished.
    static constexpr size_t DeliveredKept = 1024;

    static bool listed(const std::vector<IppJob> &Jobs, uint32_t Id);

    // Ids above UpTo that the server has handed out but no longer remembers. The server numbers
    // its jobs one after another, so every id up to its highest was a job once; which printer a
    // purged one belonged to nobody can tell any more.
    bool countPurged(uint32_t UpTo, uint32_t &Purged);
    void markDelivered(uint32_t Id);

    // Leaves out the jobs another watched queue reports and names the member a class's job is
    // recorded under (see Classes above).
    void attribute(std::vector<IppJob> &Jobs) const;

    // Puts back what this read could not deliver.
    void keep(const std::set<uint32_t> &Finished);

    std::shared_ptr<PrinterCore> core_;
    std::shared_ptr<SubscriptionHub> hub_;
    std::shared_ptr<Listener> listener_;
    int lastError_ = 0;
    uint32_t seenUpTo_ = 0;             // every job up to this id has been reported
    std::optional<ResumePoint> resume_; // until the first read has caught up with it
    std::set<uint32_t> delivered_;      // ids whose final values went out (the newest ones)
    // Ids the last read reported still queued: one that no longer is left the queue, whether or
    // not an event said so (events are lost with the contact or the subscription).
    std::set<uint32_t> open_;
};

} // namespace vesk::spooler::cups
