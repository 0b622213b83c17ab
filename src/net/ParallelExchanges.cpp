#include "net/ParallelExchanges.h"

#include "net/ChunkedDecoder.h"
#include "net/Diagnostic.h"
#include "net/HttpClient.h"
#include "net/PaceMeter.h"
#include "net/TcpConnection.h"
#include "net/TlsChannel.h"
#include "text/FormatString.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>

namespace {

constexpr int kReceivesPerWait = 8;

static_assert(TlsChannel::kWouldBlock == NonBlockingSocket::kWouldBlock,
              "one value for a move that must wait");

} // namespace

struct ParallelExchanges::Exchange {
    enum class Phase { connecting, tunnelling, handshaking, sending, header, body, ended };

    // Through the TLS channel when there is one, else on the socket itself.
    int send(const char* bytes, int count)
    {
        return tls ? tls->send(bytes, count) : socket.send(bytes, count);
    }
    int receive(char* buffer, int size)
    {
        return tls ? tls->receive(buffer, size) : socket.receive(buffer, size);
    }
    // Which readiness of the socket lets the exchange move on.
    bool waitsForWriting() const
    {
        switch (phase) {
        case Phase::connecting:
            return true;
        case Phase::tunnelling:
            return tunnelSent < tunnel.size();
        case Phase::handshaking:
        case Phase::header:
        case Phase::body:
            return tls && tls->wantsWrite();
        case Phase::sending:
            return !tls || tls->wantsWrite();
        case Phase::ended:
            break;
        }
        return false;
    }

    int number = 0;
    Phase phase = Phase::connecting;
    std::optional<ExchangeEnd> end;
    NonBlockingSocket socket;
    std::unique_ptr<TlsChannel> tls; // made after the connect of a secure exchange; goes before the socket
    bool secure = false;
    std::string tunnel; // "CONNECT host:port ...", when the exchange goes through a proxy's tunnel
    std::size_t tunnelSent = 0;
    std::string tunnelAnswer;
    std::string host; // the server TLS checks: the connection's, or the tunnel's end
    std::uint16_t port = 0;
    std::string peer; // "host on port N" for diagnostics
    Timeouts limits;
    std::string request;
    std::size_t sent = 0;
    std::string header;
    std::uint64_t bodyLimit = 0;
    std::uint64_t received = 0;
    Clock::time_point connectDeadline;
    Clock::time_point lastMove; // when a byte last moved
    std::optional<PaceMeter> pace;
    std::optional<ChunkedDecoder> chunked; // set when the header declares the chunked coding
};

ParallelExchanges::ParallelExchanges(ExchangeEvents& events) : events_(events)
{
    TcpConnection::startSockets();
}

ParallelExchanges::~ParallelExchanges() = default;

bool ParallelExchanges::resolve(const std::string& host, std::uint32_t& address)
{
    // One look-up per host and run, not one per file.
    const auto known = addresses_.find(host);
    if (known != addresses_.end()) {
        address = known->second;
        return true;
    }
    if (!TcpConnection::resolveHost(host.c_str(), address))
        return false;
    addresses_[host] = address;
    return true;
}

int ParallelExchanges::start(const std::string& host, std::uint16_t port, std::string request,
                             std::uint64_t bodyLimit, bool secure, std::string tunnel)
{
    auto exchange = std::make_unique<Exchange>();
    exchange->number = nextNumber_++;
    exchange->secure = secure;
    exchange->tunnel = std::move(tunnel);
    exchange->host = host;
    exchange->port = port;
    exchange->peer = FormatString("%s on port %u", host.c_str(), static_cast<unsigned>(port));
    exchange->limits = timeouts;
    exchange->request = std::move(request);
    exchange->bodyLimit = bodyLimit;
    const Clock::time_point now = Clock::now();
    exchange->connectDeadline = now + timeouts.connect;
    exchange->lastMove = now;

    std::uint32_t address = 0;
    if (!resolve(host, address)) {
        WriteDiagnostic("Cannot get host information for server " + host);
        exchange->end = ExchangeEnd::unresolved;
    } else if (!exchange->socket.beginConnect(address, port)) {
        WriteDiagnostic("Cannot connect to " + exchange->peer);
        exchange->end = ExchangeEnd::connectFailed;
    }
    const int number = exchange->number;
    exchanges_.push_back(std::move(exchange));
    return number;
}

void ParallelExchanges::moveOn()
{
    // Ends found at start are reported without a wait.
    const bool endedAlready =
        std::any_of(exchanges_.begin(), exchanges_.end(), [](const auto& exchange) { return exchange->end; });
    if (exchanges_.empty() || endedAlready) {
        reportEnded();
        return;
    }

    Clock::time_point now = Clock::now();
    Clock::time_point until = Clock::time_point::max();
    std::vector<NonBlockingSocket::Wait> waits;
    waits.reserve(exchanges_.size());
    bool pending = false;
    for (const auto& exchange : exchanges_) {
        const bool connecting = exchange->phase == Exchange::Phase::connecting;
        waits.push_back({&exchange->socket, exchange->waitsForWriting()});
        until = std::min(until, connecting ? exchange->connectDeadline
                                           : exchange->lastMove + exchange->limits.stall);
        if (exchange->pace)
            until = std::min(until, exchange->pace->windowEnd());
        pending = pending || (exchange->tls && exchange->tls->hasPending());
    }
    // Bytes a TLS channel holds already are taken without a wait, which would not see them.
    auto left = pending ? std::chrono::milliseconds(0)
                        : std::max(std::chrono::ceil<std::chrono::milliseconds>(until - now),
                                   std::chrono::milliseconds(0));
    if (observer_ != nullptr)
        left = std::min(left, kIdleInterval);
    if (!NonBlockingSocket::WaitForAny(waits, left)) {
        WriteDiagnostic("Waiting for the update server's connections failed");
        for (const auto& exchange : exchanges_)
            finish(*exchange, ExchangeEnd::receiveFailed);
        reportEnded();
        return;
    }

    now = Clock::now();
    for (std::size_t i = 0; i < exchanges_.size(); ++i) {
        Exchange& exchange = *exchanges_[i];
        if (waits[i].ready || (exchange.tls && exchange.tls->hasPending()))
            advance(exchange, now);
        if (!exchange.end)
            checkLimits(exchange, now);
    }
    reportEnded();
    // Limits were checked before the observer ran: time it takes (a question to the user)
    // does not end an exchange whose data arrives meanwhile.
    if (observer_ != nullptr) {
        observer_->idle();
        if (observer_->transferCancelled())
            cancelAll();
    }
}

void ParallelExchanges::advance(Exchange& exchange, Clock::time_point now)
{
    if (exchange.phase == Exchange::Phase::connecting) {
        if (!exchange.socket.connectSucceeded()) {
            WriteDiagnostic("Cannot connect to " + exchange.peer);
            finish(exchange, ExchangeEnd::connectFailed);
            return;
        }
        exchange.lastMove = now;
        if (!exchange.tunnel.empty()) {
            exchange.phase = Exchange::Phase::tunnelling;
        } else if (exchange.secure) {
            exchange.tls = std::make_unique<TlsChannel>(exchange.socket.native(), exchange.host,
                                                        exchange.port, tlsTrust);
            exchange.phase = Exchange::Phase::handshaking;
        } else {
            exchange.phase = Exchange::Phase::sending;
        }
    }
    if (exchange.phase == Exchange::Phase::tunnelling && !openTunnel(exchange, now))
        return;
    if (exchange.phase == Exchange::Phase::handshaking && !shakeHands(exchange, now))
        return;
    if (exchange.phase == Exchange::Phase::sending) {
        while (exchange.sent < exchange.request.size()) {
            const int count = exchange.send(exchange.request.data() + exchange.sent,
                                            static_cast<int>(exchange.request.size() - exchange.sent));
            if (count == NonBlockingSocket::kWouldBlock)
                return;
            if (count < 0) {
                finish(exchange, ExchangeEnd::sendFailed);
                return;
            }
            exchange.sent += static_cast<std::size_t>(count);
            exchange.lastMove = now;
        }
        exchange.phase = Exchange::Phase::header;
        exchange.pace.emplace(exchange.limits, now);
        return;
    }
    // A few receives per wait: what arrived in small pieces meanwhile is taken without a
    // wait for each (a wait costs more than a receive, under Wine much more).
    for (int i = 0; i < kReceivesPerWait && readResponse(exchange, now); ++i) {
    }
}

bool ParallelExchanges::openTunnel(Exchange& exchange, Clock::time_point now)
{
    while (exchange.tunnelSent < exchange.tunnel.size()) {
        const int count =
            exchange.socket.send(exchange.tunnel.data() + exchange.tunnelSent,
                                 static_cast<int>(exchange.tunnel.size() - exchange.tunnelSent));
        if (count == NonBlockingSocket::kWouldBlock)
            return false;
        if (count < 0) {
            finish(exchange, ExchangeEnd::sendFailed);
            return false;
        }
        exchange.tunnelSent += static_cast<std::size_t>(count);
        exchange.lastMove = now;
    }
    // The proxy sends nothing after its answer before the client speaks again, so the
    // answer can be read in blocks.
    char block[1024];
    const int count = exchange.socket.receive(block, sizeof block);
    if (count == NonBlockingSocket::kWouldBlock)
        return false;
    if (count <= 0) {
        finish(exchange, count == 0 ? ExchangeEnd::headerIncomplete : ExchangeEnd::receiveFailed);
        return false;
    }
    exchange.lastMove = now;
    exchange.tunnelAnswer.append(block, static_cast<std::size_t>(count));
    const std::size_t end = exchange.tunnelAnswer.find("\r\n\r\n");
    if (end == std::string::npos) {
        if (exchange.tunnelAnswer.size() >= kResponseHeaderLimit)
            finish(exchange, ExchangeEnd::headerIncomplete);
        return false;
    }
    const int status = StatusCodeOf(exchange.tunnelAnswer);
    if (status != 200 || end + 4 != exchange.tunnelAnswer.size()) {
        WriteDiagnostic(
            FormatString("The proxy %s answered CONNECT with status %d", exchange.peer.c_str(), status));
        finish(exchange, ExchangeEnd::tunnelRefused);
        return false;
    }
    // The server at the tunnel's end is the one its request names: "CONNECT host:port ...".
    const std::string target = exchange.tunnel.substr(8, exchange.tunnel.find(' ', 8) - 8);
    const std::size_t colon = target.rfind(':');
    exchange.host = target.substr(0, colon);
    exchange.port = static_cast<std::uint16_t>(std::strtoul(target.c_str() + colon + 1, nullptr, 10));
    exchange.tls =
        std::make_unique<TlsChannel>(exchange.socket.native(), exchange.host, exchange.port, tlsTrust);
    exchange.phase = Exchange::Phase::handshaking;
    return true;
}

bool ParallelExchanges::shakeHands(Exchange& exchange, Clock::time_point now)
{
    switch (exchange.tls->handshake()) {
    case TlsChannel::Step::done:
        exchange.phase = Exchange::Phase::sending;
        exchange.lastMove = now;
        return true;
    case TlsChannel::Step::wantRead:
    case TlsChannel::Step::wantWrite:
        exchange.lastMove = now;
        return false;
    case TlsChannel::Step::failed:
        break;
    }
    WriteDiagnostic("TLS handshake with " + exchange.peer + " failed: " + exchange.tls->failure());
    finish(exchange, ExchangeEnd::tlsFailed);
    return false;
}

bool ParallelExchanges::readResponse(Exchange& exchange, Clock::time_point now)
{
    block_.resize(static_cast<std::size_t>(std::max(receiveBlockSize, 1)));
    const int count = exchange.receive(block_.data(), static_cast<int>(block_.size()));
    if (count == NonBlockingSocket::kWouldBlock)
        return false;
    const bool inHeader = exchange.phase == Exchange::Phase::header;
    if (count == 0) {
        if (exchange.chunked) {
            WriteDiagnostic("The chunked answer from " + exchange.peer + " ended before its last chunk");
            finish(exchange, ExchangeEnd::chunkedBroken);
        } else {
            finish(exchange, inHeader ? ExchangeEnd::headerIncomplete : ExchangeEnd::closed);
        }
        return false;
    }
    if (count < 0) {
        finish(exchange, ExchangeEnd::receiveFailed);
        return false;
    }
    exchange.lastMove = now;
    if (!exchange.pace->keepsPace(static_cast<std::uint64_t>(count), now)) {
        finish(exchange, ExchangeEnd::tooSlow);
        return false;
    }
    if (inHeader) {
        takeHeaderBytes(exchange, count);
        return !exchange.end;
    }
    takeBodyBytes(exchange, block_.data(), count);
    return !exchange.end;
}

void ParallelExchanges::takeBodyBytes(Exchange& exchange, char* bytes, int count)
{
    if (exchange.chunked)
        count = static_cast<int>(exchange.chunked->decode(bytes, static_cast<std::size_t>(count)));
    if (count > 0) {
        exchange.received += static_cast<std::uint64_t>(count);
        events_.onBody(exchange.number, bytes, count);
    }
    if (exchange.received > exchange.bodyLimit) {
        finish(exchange, ExchangeEnd::bodyLimit);
    } else if (exchange.chunked && exchange.chunked->failed()) {
        WriteDiagnostic("The chunked answer from " + exchange.peer + " is malformed");
        finish(exchange, ExchangeEnd::chunkedBroken);
    } else if (exchange.chunked && exchange.chunked->done()) {
        // The last chunk ends the body: nothing more is waited for.
        finish(exchange, ExchangeEnd::closed);
    }
}

void ParallelExchanges::takeHeaderBytes(Exchange& exchange, int count)
{
    const std::size_t searchFrom = exchange.header.size() < 3 ? 0 : exchange.header.size() - 3;
    exchange.header.append(block_.data(), static_cast<std::size_t>(count));
    const std::size_t found = exchange.header.find("\r\n\r\n", searchFrom);
    const std::size_t headerEnd = found == std::string::npos ? std::string::npos : found + 4;
    if (headerEnd == std::string::npos || headerEnd > kResponseHeaderLimit) {
        if (exchange.header.size() >= kResponseHeaderLimit)
            finish(exchange, ExchangeEnd::headerIncomplete);
        return;
    }
    // What came after the empty line is the body's first block.
    std::string first = exchange.header.substr(headerEnd);
    exchange.header.resize(headerEnd);
    exchange.phase = Exchange::Phase::body;
    if (DeclaresChunked(exchange.header))
        exchange.chunked.emplace();
    events_.onHeader(exchange.number, StatusCodeOf(exchange.header), exchange.header);
    if (!first.empty())
        takeBodyBytes(exchange, first.data(), static_cast<int>(first.size()));
}

void ParallelExchanges::checkLimits(Exchange& exchange, Clock::time_point now)
{
    switch (exchange.phase) {
    case Exchange::Phase::connecting:
        if (now >= exchange.connectDeadline) {
            WriteDiagnostic("Cannot connect to " + exchange.peer + " within " +
                            DescribeDuration(exchange.limits.connect));
            finish(exchange, ExchangeEnd::connectFailed);
        }
        return;
    case Exchange::Phase::tunnelling:
    case Exchange::Phase::handshaking:
    case Exchange::Phase::sending:
        if (now - exchange.lastMove >= exchange.limits.stall) {
            WriteDiagnostic("No progress sending to " + exchange.peer + " for " +
                            DescribeDuration(exchange.limits.stall));
            finish(exchange, ExchangeEnd::sendFailed);
        }
        return;
    case Exchange::Phase::header:
    case Exchange::Phase::body:
        if (now - exchange.lastMove >= exchange.limits.stall) {
            WriteDiagnostic("Nothing received from " + exchange.peer + " for " +
                            DescribeDuration(exchange.limits.stall));
            finish(exchange, ExchangeEnd::stalled);
        } else if (!exchange.pace->keepsPace(0, now)) {
            finish(exchange, ExchangeEnd::tooSlow);
        }
        return;
    case Exchange::Phase::ended:
        return;
    }
}

void ParallelExchanges::finish(Exchange& exchange, ExchangeEnd end)
{
    exchange.tls.reset();
    exchange.socket.close();
    exchange.phase = Exchange::Phase::ended;
    exchange.end = end;
}

void ParallelExchanges::reportEnded()
{
    // Taken out of the list before the report, so that running() no longer counts them.
    std::vector<std::unique_ptr<Exchange>> ended;
    const auto firstEnded = std::stable_partition(exchanges_.begin(), exchanges_.end(),
                                                  [](const auto& exchange) { return !exchange->end; });
    std::move(firstEnded, exchanges_.end(), std::back_inserter(ended));
    exchanges_.erase(firstEnded, exchanges_.end());
    for (const auto& exchange : ended)
        events_.onEnd(exchange->number, *exchange->end);
}

void ParallelExchanges::cancelAll()
{
    for (const auto& exchange : exchanges_) {
        if (!exchange->end)
            finish(*exchange, ExchangeEnd::cancelled);
    }
    reportEnded();
}
