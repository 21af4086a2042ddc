// UDP exchanges with NetBIOS name services.
#include "NetBiosExchange.h"

#include "NameQuery.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace vesk {

namespace {

// Longer than any name service datagram; a longer one arrives truncated and fails to parse.
constexpr std::size_t ReceiveBufferSize = 1500;

class Socket
{
public:
    Socket() : fd_(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
    ~Socket()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;

    int fd() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

std::uint16_t RandomId()
{
    std::random_device device;
    return static_cast<std::uint16_t>(device());
}

sockaddr_in SocketAddress(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = address;
    return result;
}

enum class WaitResult
{
    Readable,
    TimedOut,
    Failed
};

WaitResult WaitReadable(int fd, ProbeClock::time_point until)
{
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - ProbeClock::now());
        if (left.count() <= 0)
            return WaitResult::TimedOut;
        pollfd entry{fd, POLLIN, 0};
        const int ready = poll(&entry, 1, static_cast<int>(left.count()));
        if (ready > 0)
            return WaitResult::Readable;
        if (ready < 0 && errno != EINTR)
            return WaitResult::Failed;
    }
}

// Sends `request` whenever a resend is due and hands every datagram received to `accept`
// until it returns an answer, the deadline passes or the socket fails (refused).
template <typename Answer, typename Send, typename Accept>
std::optional<Answer> Exchange(int fd, const ExchangeTiming &timing, Send send, Accept accept)
{
    std::array<std::uint8_t, ReceiveBufferSize> buffer;
    while (ProbeClock::now() < timing.deadline) {
        if (!send())
            return std::nullopt;
        const auto resendAt = std::min(ProbeClock::now() + timing.resendInterval, timing.deadline);
        for (;;) {
            const WaitResult wait = WaitReadable(fd, resendAt);
            if (wait == WaitResult::TimedOut)
                break;
            if (wait == WaitResult::Failed)
                return std::nullopt;
            const ssize_t length = recv(fd, buffer.data(), buffer.size(), 0);
            if (length < 0) {
                if (errno == EINTR || errno == EAGAIN)
                    continue;
                return std::nullopt; // ECONNREFUSED: nothing listens there
            }
            if (auto answer = accept(
                    std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(length))))
                return answer;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<NodeStatusAnswer> AskNodeStatus(std::uint32_t address, std::uint16_t port,
                                              const NetBiosName &name, const ExchangeTiming &timing)
{
    Socket socket;
    const sockaddr_in target = SocketAddress(address, port);
    if (!socket.valid() ||
        connect(socket.fd(), reinterpret_cast<const sockaddr *>(&target), sizeof target) != 0)
        return std::nullopt;
    const std::uint16_t id = RandomId();
    const auto request = BuildNodeStatusRequest(id, name);
    return Exchange<NodeStatusAnswer>(
        socket.fd(), timing,
        [&] { return send(socket.fd(), request.data(), request.size(), MSG_NOSIGNAL) >= 0; },
        [&](std::span<const std::uint8_t> packet) { return ParseNodeStatusResponse(packet, id); });
}

std::optional<std::uint32_t> BroadcastNameQuery(const std::vector<std::uint32_t> &broadcasts,
                                                std::uint16_t port, const NetBiosName &name,
                                                const ExchangeTiming &timing)
{
    Socket socket;
    const int on = 1;
    if (broadcasts.empty() || !socket.valid() ||
        setsockopt(socket.fd(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0)
        return std::nullopt;
    const std::uint16_t id = RandomId();
    const auto request = BuildNameQueryRequest(id, name, true);
    return Exchange<std::uint32_t>(
        socket.fd(), timing,
        [&] {
            // One subnet that refuses the datagram must not keep the others from hearing it.
            bool sent = false;
            for (const std::uint32_t broadcast : broadcasts) {
                const sockaddr_in target = SocketAddress(broadcast, port);
                sent = sendto(socket.fd(), request.data(), request.size(), MSG_NOSIGNAL,
                              reinterpret_cast<const sockaddr *>(&target), sizeof target) >= 0 ||
                       sent;
            }
            return sent;
        },
        [&](std::span<const std::uint8_t> packet) {
            return ParseNameQueryResponse(packet, id, name);
        });
}

} // namespace vesk
