// POSIX side of TcpConnection.h: BSD sockets, waits bounded with poll.
#include "net/TcpConnection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

namespace {

bool WouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK;
}

} // namespace

TcpConnection::Wait TcpConnection::waitOnce(Direction direction, std::chrono::milliseconds limit)
{
    pollfd entry{static_cast<int>(handle_), direction == Direction::read ? short{POLLIN} : short{POLLOUT}, 0};
    const int result = ::poll(&entry, 1, static_cast<int>(limit.count()));
    if (result > 0)
        return Wait::ready;
    // A signal (Ctrl-C) ends the slice early, so that the observer hears of it at once.
    if (result == 0 || errno == EINTR)
        return Wait::timedOut;
    return Wait::failed;
}

void TcpConnection::startSockets()
{
    // BSD sockets need no start-up.
}

bool TcpConnection::resolveHost(const char* host, std::uint32_t& address)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr)
        return false;
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(found);
    return true;
}

bool TcpConnection::createSocket()
{
    handle_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return handle_ >= 0;
}

TcpConnection::ConnectOutcome TcpConnection::connectSocket(std::uint32_t address, std::uint16_t port)
{
    const int fd = static_cast<int>(handle_);
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        return ConnectOutcome::failed;

    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = address;
    target.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0)
        return ConnectOutcome::connected;
    if (errno != EINPROGRESS && errno != EINTR)
        return ConnectOutcome::failed;

    switch (waitFor(Direction::connect, timeouts_.connect)) {
    case Wait::timedOut:
        return ConnectOutcome::timedOut;
    case Wait::failed:
        return ConnectOutcome::failed;
    case Wait::cancelled:
        return ConnectOutcome::cancelled;
    case Wait::ready:
        break;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
        return ConnectOutcome::failed;
    return ConnectOutcome::connected;
}

int TcpConnection::sendAll(const char* bytes, int count)
{
    if (tls_)
        return sendAllTls(bytes, count);
    const int fd = static_cast<int>(handle_);
    int sent = 0;
    while (count - sent > 0) {
        const int piece = std::min(count - sent, 4096);
        // MSG_NOSIGNAL: a peer that has gone away must give an error, not end the process.
        const ssize_t result = ::send(fd, bytes + sent, static_cast<std::size_t>(piece), MSG_NOSIGNAL);
        if (result >= 0) {
            sent += static_cast<int>(result);
            continue;
        }
        if (errno == EINTR)
            continue;
        if (!WouldBlock(errno))
            return -1;
        const Wait wait = waitFor(Direction::write, timeouts_.stall);
        if (wait == Wait::timedOut)
            reportStall("No progress sending to");
        if (wait != Wait::ready)
            return -1;
    }
    return sent;
}

int TcpConnection::receive(char* buffer, int size)
{
    if (tls_)
        return receiveTls(buffer, size);
    const int fd = static_cast<int>(handle_);
    for (;;) {
        const ssize_t result = ::recv(fd, buffer, static_cast<std::size_t>(size), 0);
        if (result >= 0)
            return static_cast<int>(result);
        if (errno == EINTR)
            continue;
        if (!WouldBlock(errno))
            return -1;
        const Wait wait = waitFor(Direction::read, timeouts_.stall);
        if (wait == Wait::timedOut)
            reportStall("Nothing received from");
        if (wait != Wait::ready)
            return -1;
    }
}

int TcpConnection::close()
{
    tls_.reset();
    if (!isOpen())
        return 0;
    return ::close(static_cast<int>(std::exchange(handle_, -1)));
}
