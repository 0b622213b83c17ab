// The parts of NonBlockingSocket.h both platforms share: ownership of the socket.
#include "net/NonBlockingSocket.h"

#include <utility>

NonBlockingSocket::~NonBlockingSocket()
{
    close();
}

NonBlockingSocket::NonBlockingSocket(NonBlockingSocket&& other) noexcept
    : handle_(std::exchange(other.handle_, -1))
{}

NonBlockingSocket& NonBlockingSocket::operator=(NonBlockingSocket&& other) noexcept
{
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, -1);
    }
    return *this;
}
