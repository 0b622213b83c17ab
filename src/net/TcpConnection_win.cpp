// Windows side of TcpConnection.h: Winsock, waits bounded with select.
#include "net/TcpConnection.h"

#include "net/Diagnostic.h"

#include <winsock2.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <utility>


TcpConnection::Wait TcpConnection::waitOnce(Direction direction, std::chrono::milliseconds limit)
{
    const SOCKET socket = static_cast<SOCKET>(handle_);
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(socket, &ready);
    fd_set failed;
    FD_ZERO(&failed);
    FD_SET(socket, &failed);
    const long long ms = limit.count();
    timeval wait{static_cast<long>(ms / 1000), static_cast<long>(ms % 1000 * 1000)};
    int result = 0;
    switch (direction) {
    case Direction::read:
        result = ::select(0, &ready, nullptr, nullptr, &wait);
        break;
    case Direction::write:
        result = ::select(0, nullptr, &ready, nullptr, &wait);
        break;
    case Direction::connect:
        // A connect that fails shows in the exception set.
        result = ::select(0, nullptr, &ready, &failed, &wait);
        break;
    }
    if (result == 0)
        return Wait::timedOut;
    if (result < 0 || (direction == Direction::connect && FD_ISSET(socket, &failed)))
        return Wait::failed;
    return Wait::ready;
}

void TcpConnection::startSockets()
{
    WSADATA data{};
    if (::WSAStartup(MAKEWORD(2, 0), &data) != 0) {
        WriteDiagnostic("WSAStartup() failed");
        std::exit(1);
    }
}

bool TcpConnection::resolveHost(const char* host, std::uint32_t& address)
{
    const hostent* entry = ::gethostbyname(host);
    if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr)
        return false;
    std::copy_n(entry->h_addr_list[0], sizeof address, reinterpret_cast<char*>(&address));
    return true;
}

bool TcpConnection::createSocket()
{
    handle_ = static_cast<std::intptr_t>(::socket(AF_INET, SOCK_STREAM, 0));
    return handle_ >= 0;
}

TcpConnection::ConnectOutcome TcpConnection::connectSocket(std::uint32_t address, std::uint16_t port)
{
    const SOCKET socket = static_cast<SOCKET>(handle_);
    u_long nonBlocking = 1;
    if (::ioctlsocket(socket, FIONBIO, &nonBlocking) != 0)
        return ConnectOutcome::failed;

    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = address;
    target.sin_port = ::htons(port);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0)
        return ConnectOutcome::connected;
    if (::WSAGetLastError() != WSAEWOULDBLOCK)
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
    int length = sizeof error;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 ||
        error != 0)
        return ConnectOutcome::failed;
    return ConnectOutcome::connected;
}

int TcpConnection::sendAll(const char* bytes, int count)
{
    if (tls_)
        return sendAllTls(bytes, count);
    const SOCKET socket = static_cast<SOCKET>(handle_);
    int sent = 0;
    while (count - sent > 0) {
        const int result = ::send(socket, bytes + sent, std::min(count - sent, 4096), 0);
        if (result >= 0) {
            sent += result;
            continue;
        }
        if (::WSAGetLastError() != WSAEWOULDBLOCK)
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
    const SOCKET socket = static_cast<SOCKET>(handle_);
    for (;;) {
        const int result = ::recv(socket, buffer, size, 0);
        if (result >= 0)
            return result;
        if (::WSAGetLastError() != WSAEWOULDBLOCK)
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
    return ::closesocket(static_cast<SOCKET>(std::exchange(handle_, -1)));
}
