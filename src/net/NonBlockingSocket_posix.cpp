// POSIX side of NonBlockingSocket.h: BSD sockets in non-blocking mode, waits with poll.
#include "net/NonBlockingSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace {

bool WouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK;
}

} // namespace

bool NonBlockingSocket::beginConnect(std::uint32_t address, std::uint16_t port)
{
    close();
    handle_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (handle_ < 0)
        return false;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = address;
    target.sin_port = htons(port);
    const int fd = static_cast<int>(handle_);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0 ||
        errno == EINPROGRESS || errno == EINTR)
        return true;
    close();
    return false;
}

bool NonBlockingSocket::connectSucceeded() const
{
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(static_cast<int>(handle_), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

int NonBlockingSocket::send(const char* bytes, int count)
{
    for (;;) {
        // MSG_NOSIGNAL: a peer that has gone away must give an error, not end the process.
        const ssize_t result =
            ::send(static_cast<int>(handle_), bytes, static_cast<std::size_t>(count), MSG_NOSIGNAL);
        if (result >= 0)
            return static_cast<int>(result);
        if (errno != EINTR)
            return WouldBlock(errno) ? kWouldBlock : -1;
    }
}

int NonBlockingSocket::receive(char* buffer, int size)
{
    for (;;) {
        const ssize_t result = ::recv(static_cast<int>(handle_), buffer, static_cast<std::size_t>(size), 0);
        if (result >= 0)
            return static_cast<int>(result);
        if (errno != EINTR)
            return WouldBlock(errno) ? kWouldBlock : -1;
    }
}

void NonBlockingSocket::close()
{
    if (isOpen())
        ::close(static_cast<int>(std::exchange(handle_, -1)));
}

bool NonBlockingSocket::WaitForAny(std::vector<Wait>& waits, std::chrono::milliseconds limit)
{
    std::vector<pollfd> entries;
    entries.reserve(waits.size());
    for (const Wait& wait : waits)
        entries.push_back(
            {static_cast<int>(wait.socket->handle_), wait.forWriting ? short{POLLOUT} : short{POLLIN}, 0});
    const int result = ::poll(entries.data(), entries.size(), static_cast<int>(limit.count()));
    if (result < 0)
        return errno == EINTR;
    for (std::size_t i = 0; i < waits.size(); ++i)
        waits[i].ready = entries[i].revents != 0;
    return true;
}
