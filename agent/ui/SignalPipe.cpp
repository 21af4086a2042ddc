// The self-pipe: async-signal-safe handler on one side, a socket notifier on the other.
#include "SignalPipe.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vesk {

namespace {

int g_pipe[2] = {-1, -1};

void onSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

SignalPipe::SignalPipe(std::initializer_list<int> signalNumbers, QObject *parent)
    : QObject(parent), numbers_(signalNumbers)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalPipe::readPipe);
    for (int number : numbers_) {
        struct sigaction sa = {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(number, &sa, &previous_[number]);
    }
}

SignalPipe::~SignalPipe()
{
    if (!notifier_)
        return;
    for (int number : numbers_)
        ::sigaction(number, &previous_[number], nullptr);
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void SignalPipe::readPipe()
{
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1)
        Q_EMIT signalled(byte);
}

} // namespace vesk
