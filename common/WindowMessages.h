// Private window message numbers and the blocking send / post between threads and windows.
#pragma once

#include "ThreadCheck.h"

#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QThread>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace vesk {

// The application range above WM_USER, numbered as the programs have always numbered them.
inline constexpr unsigned WM_USER = 0x0400;
inline constexpr unsigned WM_RECPRINTERDATA = WM_USER + 5; // 1029: a completed job
inline constexpr unsigned WM_SHOWTIP = WM_USER + 101;      // 1125: a log line
inline constexpr unsigned WM_INCTHREAD = WM_USER + 102;    // 1126: a search thread started
inline constexpr unsigned WM_DECTHREAD = WM_USER + 103;    // 1127: a search thread ended
inline constexpr unsigned WM_HIDEFORM = WM_USER + 108;     // 1132: a window hides itself

// The receiver of WM_SHOWTIP. The window that implements it is also a QObject; the call runs on
// that object's thread and must copy the line before returning.
class ShowTipReceiver
{
public:
    virtual ~ShowTipReceiver() = default;
    virtual void ShowTip(const QString &Line) = 0;
};

namespace detail {

// The meeting point of a blocking send's sender and the call it queued.
struct SendRendezvous
{
    // Posting: the sender is still inside Qt's post. Queued: the post is complete.
    enum class Stage
    {
        Posting,
        Queued,
        Running,
        Done,
        Dropped
    };
    std::mutex Lock;
    std::condition_variable Changed;
    Stage Now = Stage::Posting;
    const std::thread::id Sender = std::this_thread::get_id();
};

// Travels in the queued call. Qt deletes a queued call that can no longer run (its receiver
// destroyed, its thread's queue discarded) without running it; the ticket's end then releases the
// sender, which would otherwise wait forever.
//
// Qt's queue, which hands the call to the receiver's thread, is invisible to ThreadSanitizer, and
// the sender writes the call while posting it. So the receiving side reads the ticket's pointer
// unchecked, acquires what the sender released before the post, and waits until the post is
// complete before it touches anything else of the call; from then on the rendezvous orders all.
class SendTicket
{
public:
    explicit SendTicket(std::shared_ptr<SendRendezvous> Rendezvous)
        : FOwner(std::move(Rendezvous)), FRendezvous(FOwner.get())
    {}
    SendTicket(SendTicket &&Other) noexcept
        : FOwner(std::move(Other.FOwner)), FRendezvous(std::exchange(Other.FRendezvous, nullptr))
    {}
    SendTicket(const SendTicket &) = delete;
    SendTicket &operator=(const SendTicket &) = delete;
    SendTicket &operator=(SendTicket &&) = delete;
    ~SendTicket()
    {
        // A moved-from ticket or one dropped on the sender's thread inside the post: no waiting.
        SendRendezvous *const Rendezvous = HandOffLoad(&FRendezvous);
        if (Rendezvous == nullptr)
            return;
        HandOffAcquire(Rendezvous);
        std::unique_lock<std::mutex> Guard(Rendezvous->Lock);
        if (Rendezvous->Sender != std::this_thread::get_id())
            WaitPosted(*Rendezvous, Guard);
        if (Rendezvous->Now != SendRendezvous::Stage::Posting &&
            Rendezvous->Now != SendRendezvous::Stage::Queued)
            return;
        Rendezvous->Now = SendRendezvous::Stage::Dropped;
        Rendezvous->Changed.notify_all();
    }

    // On the receiver's thread, before and after the call.
    void Begin()
    {
        SendRendezvous *const Rendezvous = HandOffLoad(&FRendezvous);
        HandOffAcquire(Rendezvous);
        std::unique_lock<std::mutex> Guard(Rendezvous->Lock);
        WaitPosted(*Rendezvous, Guard);
        Rendezvous->Now = SendRendezvous::Stage::Running;
    }
    void End()
    {
        {
            const std::lock_guard<std::mutex> Guard(FRendezvous->Lock);
            FRendezvous->Now = SendRendezvous::Stage::Done;
        }
        FRendezvous->Changed.notify_all();
    }

private:
    static void WaitPosted(SendRendezvous &Rendezvous, std::unique_lock<std::mutex> &Guard)
    {
        Rendezvous.Changed.wait(Guard,
                                [&] { return Rendezvous.Now != SendRendezvous::Stage::Posting; });
    }

    std::shared_ptr<SendRendezvous> FOwner;
    SendRendezvous *FRendezvous;
};

} // namespace detail

// Blocking send: runs Call on Window's thread and returns when it has run (a direct call when
// already there). False when there is no window or the call could not run: a receiver destroyed
// before its thread took the call releases the sender without running it.
//
// The call is queued and the sender waits on a standard-library rendezvous rather than on Qt's
// blocking connection, whose semaphore ThreadSanitizer cannot see: everything before the send
// happens before the call and the call before the return in ways it sees, and nothing of the
// sender's stack is touched once the call has run.
template <class F> bool SendWindowMessage(QObject *Window, F &&Call)
{
    if (Window == nullptr)
        return false;
    if (Window->thread() == QThread::currentThread()) {
        std::forward<F>(Call)();
        return true;
    }
    using Stage = detail::SendRendezvous::Stage;
    auto Rendezvous = std::make_shared<detail::SendRendezvous>();
    auto *Pending = &Call;
    HandOffRelease(Rendezvous.get());
    {
        [[maybe_unused]] const QueuePostGuard Posting;
        QMetaObject::invokeMethod(
            Window,
            [Ticket = detail::SendTicket(Rendezvous), Pending]() mutable {
                Ticket.Begin();
                (*Pending)();
                Ticket.End();
            },
            Qt::QueuedConnection);
    }
    std::unique_lock<std::mutex> Guard(Rendezvous->Lock);
    if (Rendezvous->Now == Stage::Posting) {
        Rendezvous->Now = Stage::Queued;
        Rendezvous->Changed.notify_all();
    }
    Rendezvous->Changed.wait(
        Guard, [&] { return Rendezvous->Now == Stage::Done || Rendezvous->Now == Stage::Dropped; });
    return Rendezvous->Now == Stage::Done;
}

// Post: queues Call for Window's thread and returns at once.
template <class F> bool PostWindowMessage(QObject *Window, F &&Call)
{
    if (Window == nullptr)
        return false;
    // Everything before the post happens before the call.
    auto Token = std::make_shared<char>(0);
    HandOffRelease(Token.get());
    [[maybe_unused]] const QueuePostGuard Posting;
    return QMetaObject::invokeMethod(
        Window,
        [Token, Call = std::forward<F>(Call)]() mutable {
            HandOffAcquire(Token.get());
            Call();
        },
        Qt::QueuedConnection);
}

// Sends Line as WM_SHOWTIP to a window that implements ShowTipReceiver; ignored otherwise.
inline void SendShowTip(QObject *Window, const QString &Line)
{
    auto *Receiver = dynamic_cast<ShowTipReceiver *>(Window);
    if (Receiver != nullptr)
        SendWindowMessage(Window, [Receiver, &Line] { Receiver->ShowTip(Line); });
}

} // namespace vesk
