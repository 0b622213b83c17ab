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
    : handle_(std::exchange(other.handle_, -1)), tls_(std::move(other.tls_)), peer_(std::move(other.peer_)),
      timeouts_(other.timeouts_), observer_(other.observer_)
{}

TcpConnection& TcpConnection::operator=(TcpConnection&& other) noexcept
{
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, -1);
        tls_ = std::move(other.tls_);
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

bool TcpConnection::startTls(const std::string& host, std::uint16_t port, const TlsTrust& trust,
                             std::string& failure)
{
    tls_ = std::make_unique<TlsChannel>(handle_, host, port, trust);
    for (;;) {
        const TlsChannel::Step step = tls_->handshake();
        if (step == TlsChannel::Step::done)
            return true;
        if (step == TlsChannel::Step::failed)
            break;
        if (!waitForTls("No progress in the TLS handshake with")) {
            tls_.reset();
            return false;
        }
    }
    failure = "TLS handshake with " + peer_ + " failed: " + tls_->failure();
    WriteDiagnostic(failure);
    tls_.reset();
    return false;
}

bool TcpConnection::waitForTls(const char* stallText)
{
    const Wait wait = waitFor(tls_->wantsWrite() ? Direction::write : Direction::read, timeouts_.stall);
    if (wait == Wait::timedOut)
        reportStall(stallText);
    return wait == Wait::ready;
}

int TcpConnection::sendAllTls(const char* bytes, int count)
{
    int sent = 0;
    while (count - sent > 0) {
        const int result = tls_->send(bytes + sent, count - sent);
        if (result > 0)
            sent += result;
        else if (result != TlsChannel::kWouldBlock || !waitForTls("No progress sending to"))
            return -1;
    }
    return sent;
}

int TcpConnection::receiveTls(char* buffer, int size)
{
    for (;;) {
        const int result = tls_->receive(buffer, size);
        if (result != TlsChannel::kWouldBlock)
            return result;
        if (!waitForTls("Nothing received from"))
            return -1;
    }
}
