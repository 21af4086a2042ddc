// A receiving window on its own thread with an event loop, and a monitor wired to it.
#pragma once

#include "PrinterMonThread.h"
#include "ThreadCheck.h"
#include "WindowMessages.h"

#include <QObject>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vesk::test {

struct Handed
{
    std::string PrinterName;
    int32_t Count = 0;
    TPrinterJob Job;
    bool OnWindowThread = false;
};

class Receiver : public QObject, public TRecPrinterDataReceiver, public ShowTipReceiver
{
public:
    void OnRecPrinterData(const TPrinterInfo &Info) override
    {
        std::lock_guard Lock(FMutex);
        for (int32_t I = 0; I < Info.Count; ++I)
            FHanded.push_back({Info.PrinterName.value_or(""), Info.Count,
                               Info.Jobs[static_cast<size_t>(I)],
                               QThread::currentThread() == thread()});
        FCond.notify_all();
    }
    void ShowTip(const QString &Line) override
    {
        std::lock_guard Lock(FMutex);
        FLines << Line;
        FCond.notify_all();
    }
    std::vector<Handed> HandedJobs()
    {
        std::lock_guard Lock(FMutex);
        return FHanded;
    }
    QStringList Lines()
    {
        std::lock_guard Lock(FMutex);
        return FLines;
    }
    // Waits (generously) until Pred holds for the received messages.
    template <class P> bool WaitFor(P Pred, int Seconds = 60)
    {
        std::unique_lock Lock(FMutex);
        return FCond.wait_for(Lock, std::chrono::seconds(Seconds),
                              [&] { return Pred(FHanded, FLines); });
    }

private:
    std::mutex FMutex;
    std::condition_variable FCond;
    std::vector<Handed> FHanded;
    QStringList FLines;
};

// Polls a condition that no message announces (spooler call counters), up to a generous limit.
template <class P> bool Eventually(P Pred, int Seconds = 60)
{
    const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(Seconds);
    while (!Pred()) {
        if (std::chrono::steady_clock::now() > End)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class WindowThread
{
public:
    WindowThread()
    {
        R = new Receiver;
        R->moveToThread(&FThread);
        FThread.start();
    }
    ~WindowThread()
    {
        FThread.quit();
        FThread.wait();
        HandOffAcquire(&FThread);
        delete R;
    }
    Receiver *R;

private:
    // Its end is a hand-over ThreadSanitizer sees: QThread::wait's is not.
    class LoopThread : public QThread
    {
        void run() override
        {
            exec();
            HandOffRelease(this);
        }
    };
    LoopThread FThread;
};

// A spooler that passes every call through and remembers which job ids its queue listings have
// shown, so a test can wait until the monitor has seen a job instead of guessing a time.
class ListingSpy : public spooler::Spooler
{
public:
    explicit ListingSpy(std::shared_ptr<spooler::Spooler> Inner) : FInner(std::move(Inner)) {}

    std::unique_ptr<spooler::PrinterHandle> OpenPrinter(const std::string &Name,
                                                        spooler::OpenError *Error) override
    {
        auto Handle = FInner->OpenPrinter(Name, Error);
        if (!Handle)
            return nullptr;
        return std::make_unique<Printer>(std::move(Handle), *this);
    }

    // Waits (generously) until a listing has shown job Id.
    bool WaitListed(uint32_t Id, int Seconds = 60)
    {
        std::unique_lock Lock(FMutex);
        return FCond.wait_for(Lock, std::chrono::seconds(Seconds),
                              [&] { return std::count(FListed.begin(), FListed.end(), Id) > 0; });
    }

private:
    class Printer : public spooler::PrinterHandle
    {
    public:
        Printer(std::unique_ptr<spooler::PrinterHandle> Inner, ListingSpy &Spy)
            : FInner(std::move(Inner)), FSpy(Spy)
        {}
        bool GetPrinter(spooler::PrinterState &State) override { return FInner->GetPrinter(State); }
        bool EnumJobs(std::vector<spooler::JobEntry> &Jobs) override
        {
            const bool Ok = FInner->EnumJobs(Jobs);
            if (Ok) {
                std::lock_guard Lock(FSpy.FMutex);
                for (const auto &J : Jobs)
                    FSpy.FListed.push_back(J.JobId);
                FSpy.FCond.notify_all();
            }
            return Ok;
        }
        bool CurrentPoint(spooler::ResumePoint &Point) override
        {
            return FInner->CurrentPoint(Point);
        }
        std::unique_ptr<spooler::ChangeNotification>
        FindFirstChangeNotification(const std::optional<spooler::ResumePoint> &From) override
        {
            return FInner->FindFirstChangeNotification(From);
        }
        int LastError() const override { return FInner->LastError(); }

    private:
        std::unique_ptr<spooler::PrinterHandle> FInner;
        ListingSpy &FSpy;
    };

    std::shared_ptr<spooler::Spooler> FInner;
    std::mutex FMutex;
    std::condition_variable FCond;
    std::vector<uint32_t> FListed;
};

// Starts a monitor for Printer on Spooler; stops it and waits for its end on destruction.
class RunningMonitor
{
public:
    RunningMonitor(std::shared_ptr<spooler::Spooler> Spooler, const std::string &Printer,
                   bool Notifications, Receiver *Window, int QuietMs, int PollMs = 20)
    {
        Mon = std::make_unique<TPrinterMonThread>(std::move(Spooler),
                                                  [Notifications] { return Notifications; });
        Mon->PrinterName = Printer;
        Mon->StopEvent = std::make_shared<WaitEvent>();
        Mon->IdleEvent = std::make_shared<WaitEvent>();
        Mon->DataWindow = Window;
        Mon->LogWindow = Window;
        Mon->QuietMs = QuietMs;
        Mon->PollMs = PollMs;
        Opened = Mon->OpenMonitoredPrinter();
        if (Opened)
            Mon->start();
    }
    ~RunningMonitor() { Stop(); }
    void Stop()
    {
        if (Mon && Mon->isRunning()) {
            Mon->StopEvent->set();
            Mon->wait();
        }
    }
    bool Opened = false;
    std::unique_ptr<TPrinterMonThread> Mon;
};

} // namespace vesk::test
