#include "support/LoopbackSocket.h"

#include <utility>

LoopbackSocket::~LoopbackSocket()
{
    close();
}

LoopbackSocket::LoopbackSocket(LoopbackSocket&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

LoopbackSocket& LoopbackSocket::operator=(LoopbackSocket&& other) noexcept
{
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, -1);
    }
    return *this;
}
