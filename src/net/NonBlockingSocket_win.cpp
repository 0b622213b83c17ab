// Windows side of NonBlockingSocket.h: Winsock sockets in non-blocking mode, waits with select.
#include "net/NonBlockingSocket.h"

#include <winsock2.h>

#include <utility>

bool NonBlockingSocket::beginConnect(std::uint32_t address, std::uint16_t port)
{
    close();
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, 0);
    if (socket == INVALID_SOCKET)
        return false;
    handle_ = static_cast<std::intptr_t>(socket);
    u_long nonBlocking = 1;
    if (::ioctlsocket(socket, FIONBIO, &nonBlocking) != 0) {
        close();
        return false;
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = address;
    target.sin_port = ::htons(port);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0 ||
        ::WSAGetLastError() == WSAEWOULDBLOCK)
        return true;
    close();
    return false;
}

bool NonBlockingSocket::connectSucceeded() const
{
    int error = 0;
    int length = sizeof error;
    return ::getsockopt(static_cast<SOCKET>(handle_), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                        &length) == 0 &&
           error == 0;
}

int NonBlockingSocket::send(const char* bytes, int count)
{
    const int result = ::send(static_cast<SOCKET>(handle_), bytes, count, 0);
    if (result != SOCKET_ERROR)
        return result;
    return ::WSAGetLastError() == WSAEWOULDBLOCK ? kWouldBlock : -1;
}

int NonBlockingSocket::receive(char* buffer, int size)
{
    const int result = ::recv(static_cast<SOCKET>(handle_), buffer, size, 0);
    if (result != SOCKET_ERROR)
        return result;
    return ::WSAGetLastError() == WSAEWOULDBLOCK ? kWouldBlock : -1;
}

void NonBlockingSocket::close()
{
    if (isOpen())
        ::closesocket(static_cast<SOCKET>(std::exchange(handle_, -1)));
}

bool NonBlockingSocket::WaitForAny(std::vector<Wait>& waits, std::chrono::milliseconds limit)
{
    // select refuses empty sets: a wait over no socket only lets the time pass.
    if (waits.empty()) {
        ::Sleep(static_cast<DWORD>(limit.count()));
        return true;
    }
    // Winsock's fd_set holds FD_SETSIZE sockets (64), more than a run keeps open at once.
    fd_set readable;
    fd_set writable;
    fd_set failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    for (const Wait& wait : waits) {
        const SOCKET socket = static_cast<SOCKET>(wait.socket->handle_);
        FD_SET(socket, wait.forWriting ? &writable : &readable);
        // A connect that fails shows in the exception set, not as writable.
        if (wait.forWriting)
            FD_SET(socket, &failed);
    }
    const long long ms = limit.count();
    timeval timeout{static_cast<long>(ms / 1000), static_cast<long>(ms % 1000 * 1000)};
    if (::select(0, &readable, &writable, &failed, &timeout) == SOCKET_ERROR)
        return false;
    for (Wait& wait : waits) {
        const SOCKET socket = static_cast<SOCKET>(wait.socket->handle_);
        wait.ready = FD_ISSET(socket, &readable) || FD_ISSET(socket, &writable) || FD_ISSET(socket, &failed);
    }
    return true;
}
