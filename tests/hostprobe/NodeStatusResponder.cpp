// Scripted name service responder on loopback.
#include "NodeStatusResponder.h"

#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vesk::test {

namespace {

int BoundLoopbackSocket(std::uint16_t port, int &error, std::uint16_t &boundPort)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        error = errno;
        if (fd >= 0)
            close(fd);
        return -1;
    }
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    boundPort = ntohs(address.sin_port);
    return fd;
}

} // namespace

NodeStatusResponder::NodeStatusResponder(std::uint16_t port, Script script)
    : script_(std::move(script))
{
    fd_ = BoundLoopbackSocket(port, bindError_, port_);
    if (fd_ >= 0)
        thread_ = std::thread([this] { serve(); });
}

NodeStatusResponder::~NodeStatusResponder()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (fd_ >= 0)
        close(fd_);
}

std::vector<ReceivedRequest> NodeStatusResponder::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

void NodeStatusResponder::serve()
{
    std::array<std::uint8_t, 2048> buffer;
    while (!stop_) {
        pollfd entry{fd_, POLLIN, 0};
        if (poll(&entry, 1, 20) <= 0)
            continue;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t length = recvfrom(fd_, buffer.data(), buffer.size(), 0,
                                        reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (length < 0)
            continue;
        const ReceivedRequest request =
            ReadRequest(std::span(buffer.data(), static_cast<std::size_t>(length)));
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        if (!script_)
            continue; // silent: other test programs probe this port too, at any moment
        for (const auto &reply : script_(request))
            sendto(fd_, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr *>(&from),
                   fromLength);
    }
}

std::uint16_t ClosedLoopbackPort()
{
    int error = 0;
    std::uint16_t port = 0;
    const int fd = BoundLoopbackSocket(0, error, port);
    if (fd >= 0)
        close(fd);
    return port;
}

} // namespace vesk::test
