// The owned set of monitor threads: launch, stop by request, join.
#include "MonitorSet.h"

#include "PrinterMonThread.h"
#include "PrinterRoster.h"
#include "RecordJournal.h"

#include <algorithm>

namespace vesk {

MonitorSet::MonitorSet(std::shared_ptr<spooler::Spooler> spooler,
                       std::function<bool()> platformTest, QObject *receiver)
    : spooler_(std::move(spooler)), platformTest_(std::move(platformTest)), receiver_(receiver)
{}

MonitorSet::~MonitorSet()
{
    StopAll();
}

bool MonitorSet::Launch(const TMonitorEntry &entry)
{
    reap();
    auto thread = std::make_unique<TPrinterMonThread>(spooler_, platformTest_);
    thread->PrinterName = entry.PrinterName.toStdString();
    if (Journal)
        thread->Resume = Journal->Mark(entry.PrinterName);
    thread->MissingJobsText = MissingJobsText;
    thread->WithheldText = WithheldText;
    if (!thread->OpenMonitoredPrinter())
        return false;
    // Durable before the thread runs: a killed agent resumes from here. A failed write leaves the
    // journal to write itself whole, marks included, at its next write.
    if (Journal)
        Journal->SetMark(entry.PrinterName, *thread->Resume);
    thread->StopEvent = entry.StopEvent;
    thread->IdleEvent = entry.IdleEvent;
    thread->DataWindow = receiver_;
    thread->LogWindow = receiver_;
    thread->QuietMs = QuietMs;
    thread->PollMs = PollMs;
    thread->start();
    threads_.push_back(std::move(thread));
    return true;
}

void MonitorSet::StopAll()
{
    // Every stop first, so the monitors end side by side; then the joins.
    for (const auto &thread : threads_)
        thread->StopEvent->set();
    for (const auto &thread : threads_)
        thread->wait();
    threads_.clear();
}

// Monitors stopped from the roster have ended on their own by now, most of them.
void MonitorSet::reap()
{
    std::erase_if(threads_, [](const std::unique_ptr<TPrinterMonThread> &thread) {
        return thread->isFinished();
    });
}

} // namespace vesk
