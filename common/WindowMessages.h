// Private window message numbers and the blocking send / post between threads and windows.
#pragma once

#include "ThreadCheck.h"

#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QThread>

#include <memory>
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

// Blocking send: runs Call on Window's thread and returns when it has run (a direct call when
// already there). False when there is no window or the call could not be delivered.
template <class F> bool SendWindowMessage(QObject *Window, F &&Call)
{
    if (Window == nullptr)
        return false;
    if (Window->thread() == QThread::currentThread()) {
        std::forward<F>(Call)();
        return true;
    }
    // Everything before the send happens before the call, and the call before the return.
    auto *Pending = &Call;
    HandOffRelease(Pending);
    const bool Sent = QMetaObject::invokeMethod(
        Window,
        [Pending] {
            auto *Run = HandOffLoad(&Pending);
            HandOffAcquire(Run);
            (*Run)();
            HandOffRelease(Run);
        },
        Qt::BlockingQueuedConnection);
    HandOffAcquire(Pending);
    return Sent;
}

// Post: queues Call for Window's thread and returns at once.
template <class F> bool PostWindowMessage(QObject *Window, F &&Call)
{
    if (Window == nullptr)
        return false;
    // Everything before the post happens before the call.
    auto Token = std::make_shared<char>(0);
    HandOffRelease(Token.get());
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
