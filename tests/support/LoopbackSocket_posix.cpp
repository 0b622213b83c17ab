// POSIX side of LoopbackSocket.h: non-blocking BSD sockets waited on with poll.
#include "support/LoopbackSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace {

int NewSocket()
{
    return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

sockaddr_in Loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

bool Ready(int fd, short events, std::chrono::milliseconds limit)
{
    pollfd entry{fd, events, 0};
    int result;
    do
        result = ::poll(&entry, 1, static_cast<int>(limit.count()));
    while (result < 0 && errno == EINTR);
    return result > 0;
}

} // namespace

LoopbackSocket LoopbackSocket::listen(int backlog)
{
    LoopbackSocket socket(NewSocket());
    const sockaddr_in address = Loopback(0);
    if (!socket.isOpen() ||
        ::bind(static_cast<int>(socket.handle_), reinterpret_cast<const sockaddr*>(&address),
               sizeof address) != 0 ||
        ::listen(static_cast<int>(socket.handle_), backlog) != 0)
        socket.close();
    return socket;
}

LoopbackSocket LoopbackSocket::startConnect(std::uint16_t port)
{
    LoopbackSocket socket(NewSocket());
    const sockaddr_in address = Loopback(port);
    if (socket.isOpen() &&
        ::connect(static_cast<int>(socket.handle_), reinterpret_cast<const sockaddr*>(&address),
                  sizeof address) != 0 &&
        errno != EINPROGRESS)
        socket.close();
    return socket;
}

std::uint16_t LoopbackSocket::localPort() const
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(static_cast<int>(handle_), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

LoopbackSocket LoopbackSocket::accept(std::chrono::milliseconds limit)
{
    if (!Ready(static_cast<int>(handle_), POLLIN, limit))
        return LoopbackSocket();
    return LoopbackSocket(
        ::accept4(static_cast<int>(handle_), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
}

int LoopbackSocket::receive(char* buffer, int size, std::chrono::milliseconds limit)
{
    if (!Ready(static_cast<int>(handle_), POLLIN, limit))
        return kTimedOut;
    const ssize_t result = ::recv(static_cast<int>(handle_), buffer, static_cast<std::size_t>(size), 0);
    if (result < 0)
        return errno == EAGAIN || errno == EINTR ? kTimedOut : -1;
    return static_cast<int>(result);
}

int LoopbackSocket::send(const char* bytes, int count, std::chrono::milliseconds limit)
{
    if (!Ready(static_cast<int>(handle_), POLLOUT, limit))
        return kTimedOut;
    const ssize_t result =
        ::send(static_cast<int>(handle_), bytes, static_cast<std::size_t>(count), MSG_NOSIGNAL);
    if (result < 0)
        return errno == EAGAIN || errno == EINTR ? kTimedOut : -1;
    return static_cast<int>(result);
}

void LoopbackSocket::sendImmediately()
{
    const int on = 1;
    ::setsockopt(static_cast<int>(handle_), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void LoopbackSocket::resetOnClose()
{
    const linger abort{1, 0};
    ::setsockopt(static_cast<int>(handle_), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
}

void LoopbackSocket::close()
{
    if (isOpen())
        ::close(static_cast<int>(std::exchange(handle_, -1)));
}
