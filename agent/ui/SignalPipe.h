// Turns POSIX signals into a Qt signal on the window thread (the self-pipe pattern).
#pragma once

#include <QObject>

#include <csignal>
#include <initializer_list>
#include <vector>

class QSocketNotifier;

namespace vesk {

// The handler only writes one byte to a pipe; the window thread reads it through a socket
// notifier and emits `signalled` from the event loop, where any Qt call is safe. One instance per
// process; the previous handlers come back when it is destroyed.
class SignalPipe : public QObject
{
    Q_OBJECT

public:
    explicit SignalPipe(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~SignalPipe() override;

Q_SIGNALS:
    void signalled(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *notifier_ = nullptr;
    std::vector<int> numbers_;
    struct sigaction previous_[NSIG];
};

} // namespace vesk
