#include "net/TcpConnection.h"

#include "net/Diagnostic.h"
#include "text/FormatString.h"

#include <algorithm>
#include <utility>

TcpConnection::~TcpConnection()
{
    close();
}

TcpConnection::TcpConnection(TcpConnection&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), peer_(std::move(other.peer_)), timeouts_(other.timeouts_),
      observer_(other.observer_)
{}

TcpConnection& TcpConnection::operator=(TcpConnection&& other) noexcept
{
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, -1);
        peer_ = std::move(other.peer_);
        timeouts_ = other.timeouts_;
        observer_ = other.observer_;
    }
    return *this;
}

bool TcpConnection::open(const char* host, std::uint16_t port)
{
    // A failed send leaves the previous connection open; it must not leak.
    close();
    peer_ = FormatString("%s on port %u", host, static_cast<unsigned>(port));

    if (!createSocket()) {
        WriteDiagnostic("Cannot create TCPSocket");
        return false;
    }
    std::uint32_t address = 0;
    if (!resolveHost(host, address)) {
        WriteDiagnostic(std::string("Cannot get host information for server ") + host);
        close();
        return false;
    }
    switch (connectSocket(address, port)) {
    case ConnectOutcome::connected:
        return true;
    case ConnectOutcome::failed:
        close();
        WriteDiagnostic("Cannot connect to " + peer_);
        return false;
    case ConnectOutcome::timedOut:
        close();
        WriteDiagnostic("Cannot connect to " + peer_ + " within " + DescribeDuration(timeouts_.connect));
        return false;
    case ConnectOutcome::cancelled:
        close();
        return false;
    }
    return false;
}

TcpConnection::Wait TcpConnection::waitFor(Direction direction, std::chrono::milliseconds limit)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        const auto left = std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()),
                                   std::chrono::milliseconds(0));
        const Wait wait = waitOnce(direction, observer_ != nullptr ? std::min(left, kIdleInterval) : left);
        if (wait != Wait::timedOut)
            return wait;
        // Checked only after a slice that found nothing: when the observer took long (a
        // question to the user), data that arrived meanwhile is still taken.
        if (Clock::now() >= deadline)
            return Wait::timedOut;
        if (observer_ != nullptr) {
            observer_->idle();
            if (observer_->transferCancelled())
                return Wait::cancelled;
        }
    }
}

void TcpConnection::reportStall(const char* what) const
{
    WriteDiagnostic(std::string(what) + " " + peer_ + " for " + DescribeDuration(timeouts_.stall));
}
