// Windows side of LoopbackSocket.h: non-blocking Winsock sockets waited on with select.
#include "support/LoopbackSocket.h"

#include <winsock2.h>

#include <utility>

namespace {

std::intptr_t NewSocket()
{
    static const bool started = [] {
        WSADATA data{};
        return ::WSAStartup(MAKEWORD(2, 0), &data) == 0;
    }();
    if (!started)
        return -1;
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, 0);
    u_long nonBlocking = 1;
    if (socket != INVALID_SOCKET)
        ::ioctlsocket(socket, FIONBIO, &nonBlocking);
    return static_cast<std::intptr_t>(socket);
}

sockaddr_in Loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    address.sin_port = ::htons(port);
    return address;
}

bool Ready(std::intptr_t handle, bool forWriting, std::chrono::milliseconds limit)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(static_cast<SOCKET>(handle), &set);
    const long long ms = limit.count();
    timeval wait{static_cast<long>(ms / 1000), static_cast<long>(ms % 1000 * 1000)};
    const int result =
        forWriting ? ::select(0, nullptr, &set, nullptr, &wait) : ::select(0, &set, nullptr, nullptr, &wait);
    return result > 0;
}

} // namespace

LoopbackSocket LoopbackSocket::listen(int backlog)
{
    LoopbackSocket socket(NewSocket());
    const sockaddr_in address = Loopback(0);
    if (!socket.isOpen() ||
        ::bind(static_cast<SOCKET>(socket.handle_), reinterpret_cast<const sockaddr*>(&address),
               sizeof address) != 0 ||
        ::listen(static_cast<SOCKET>(socket.handle_), backlog) != 0)
        socket.close();
    return socket;
}

LoopbackSocket LoopbackSocket::startConnect(std::uint16_t port)
{
    LoopbackSocket socket(NewSocket());
    const sockaddr_in address = Loopback(port);
    if (socket.isOpen() &&
        ::connect(static_cast<SOCKET>(socket.handle_), reinterpret_cast<const sockaddr*>(&address),
                  sizeof address) != 0 &&
        ::WSAGetLastError() != WSAEWOULDBLOCK)
        socket.close();
    return socket;
}

std::uint16_t LoopbackSocket::localPort() const
{
    sockaddr_in address{};
    int length = sizeof address;
    if (::getsockname(static_cast<SOCKET>(handle_), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ::ntohs(address.sin_port);
}

LoopbackSocket LoopbackSocket::accept(std::chrono::milliseconds limit)
{
    if (!Ready(handle_, false, limit))
        return LoopbackSocket();
    const SOCKET accepted = ::accept(static_cast<SOCKET>(handle_), nullptr, nullptr);
    u_long nonBlocking = 1;
    if (accepted != INVALID_SOCKET)
        ::ioctlsocket(accepted, FIONBIO, &nonBlocking);
    return LoopbackSocket(static_cast<std::intptr_t>(accepted));
}

int LoopbackSocket::receive(char* buffer, int size, std::chrono::milliseconds limit)
{
    if (!Ready(handle_, false, limit))
        return kTimedOut;
    const int result = ::recv(static_cast<SOCKET>(handle_), buffer, size, 0);
    if (result < 0)
        return ::WSAGetLastError() == WSAEWOULDBLOCK ? kTimedOut : -1;
    return result;
}

int LoopbackSocket::send(const char* bytes, int count, std::chrono::milliseconds limit)
{
    if (!Ready(handle_, true, limit))
        return kTimedOut;
    const int result = ::send(static_cast<SOCKET>(handle_), bytes, count, 0);
    if (result < 0)
        return ::WSAGetLastError() == WSAEWOULDBLOCK ? kTimedOut : -1;
    return result;
}

void LoopbackSocket::sendImmediately()
{
    const BOOL on = TRUE;
    ::setsockopt(static_cast<SOCKET>(handle_), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
                 sizeof on);
}

void LoopbackSocket::resetOnClose()
{
    const linger abort{1, 0};
    ::setsockopt(static_cast<SOCKET>(handle_), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
                 sizeof abort);
}

void LoopbackSocket::close()
{
    if (isOpen())
        ::closesocket(static_cast<SOCKET>(std::exchange(handle_, -1)));
}
