#include "net/ParallelExchanges.h"

#include "net/ChunkedDecoder.h"
#include "net/Diagnostic.h"
#include "net/HeaderField.h"
#include "net/HttpClient.h"
#include "net/PaceMeter.h"
#include "net/TcpConnection.h"
#include "net/TlsChannel.h"
#include "text/FormatString.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>
#include <utility>

namespace {

constexpr int kReceivesPerWait = 8;
constexpr std::size_t kHeaderReceiveSize = 16 * 1024;
// More kept connections than a run has transfers are never needed.
constexpr std::size_t kMostKept = 16;

const std::string kCloseLine = "\r\nConnection: Close\r\n";
const std::string kKeepAliveLine = "\r\nConnection: keep-alive\r\n";

// The length of an answer whose connection may stay open after it: HTTP/1.1, a plain
// Content-Length, neither "Connection: close" nor a transfer coding. Nothing otherwise:
// that answer is read until the server closes (or its last chunk).
std::optional<std::uint64_t> KeptAnswerLength(const std::string& header)
{
    if (!header.starts_with("HTTP/1.1 "))
        return std::nullopt;
    std::optional<std::string> connection = HeaderField(header, "connection");
    if (connection) {
        for (char& c : *connection)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (connection->find("close") != std::string::npos)
            return std::nullopt;
    }
    if (HeaderField(header, "transfer-encoding"))
        return std::nullopt;
    return DeclaredContentLength(header);
}

static_assert(TlsChannel::kWouldBlock == NonBlockingSocket::kWouldBlock,
              "one value for a move that must wait");

} // namespace

// An open connection, with its tunnel and TLS session, that waits for the next exchange
// with the same key.
struct ParallelExchanges::KeptConnection {
    std::string key;
    NonBlockingSocket socket;
    std::unique_ptr<TlsChannel> tls; // goes before the socket
};

struct ParallelExchanges::Exchange {
    enum class Phase { connecting, tunnelling, handshaking, sending, header, body, pausing, ended };

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
            // A TLS channel that has not been asked to send yet waits for nothing but room.
            return !tls || !sendBlocked || tls->wantsWrite();
        case Phase::pausing:
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
    std::string key;  // which kept connections can carry it
    std::string host; // of the connection: the server, or the proxy
    std::uint16_t port = 0;
    std::string tlsHost; // the server TLS checks: the connection's, or the tunnel's end
    std::uint16_t tlsPort = 0;
    std::string peer; // "host on port N" for diagnostics
    bool reused = false; // the connection is one an earlier exchange left open
    bool sendBlocked = false; // a send through TLS had to wait
    int retries = 0;
    Clock::time_point retryAt; // when a pausing exchange connects: at once when new, later for a retry
    Timeouts limits;
    std::string request;
    std::size_t sent = 0;
    std::string header;
    std::uint64_t bodyLimit = 0;
    std::uint64_t received = 0;
    std::optional<std::uint64_t> answerLength; // of an answer whose connection is kept
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
    exchange->key = FormatString("%s %u %d ", host.c_str(), static_cast<unsigned>(port), secure ? 1 : 0) + tunnel;
    exchange->tunnel = std::move(tunnel);
    exchange->host = host;
    exchange->port = port;
    exchange->tlsHost = host;
    exchange->tlsPort = port;
    exchange->peer = FormatString("%s on port %u", host.c_str(), static_cast<unsigned>(port));
    exchange->limits = timeouts;
    exchange->request = std::move(request);
    if (const std::size_t line = exchange->request.find(kCloseLine); line != std::string::npos)
        exchange->request.replace(line, kCloseLine.size(), kKeepAliveLine);
    exchange->bodyLimit = bodyLimit;

    const auto kept = std::find_if(kept_.begin(), kept_.end(),
                                   [&](const KeptConnection& connection) { return connection.key == exchange->key; });
    if (kept != kept_.end()) {
        exchange->socket = std::move(kept->socket);
        exchange->tls = std::move(kept->tls);
        kept_.erase(kept);
        exchange->reused = true;
        exchange->phase = Exchange::Phase::sending;
        exchange->lastMove = Clock::now();
    } else {
        // Connected in the next moveOn, so that a failure at once is reported from there.
        exchange->phase = Exchange::Phase::pausing;
        exchange->retryAt = Clock::now();
    }
    const int number = exchange->number;
    exchanges_.push_back(std::move(exchange));
    return number;
}

void ParallelExchanges::connect(Exchange& exchange, Clock::time_point now)
{
    exchange.tls.reset();
    exchange.socket.close();
    exchange.phase = Exchange::Phase::connecting;
    exchange.reused = false;
    exchange.sendBlocked = false;
    exchange.tunnelSent = 0;
    exchange.tunnelAnswer.clear();
    exchange.sent = 0;
    exchange.header.clear();
    exchange.pace.reset();
    exchange.connectDeadline = now + exchange.limits.connect;
    exchange.lastMove = now;
    std::uint32_t address = 0;
    if (!resolve(exchange.host, address)) {
        WriteDiagnostic("Cannot get host information for server " + exchange.host);
        finish(exchange, ExchangeEnd::unresolved);
    } else if (!exchange.socket.beginConnect(address, exchange.port)) {
        retryOrFinish(exchange, ExchangeEnd::connectFailed, "connection refused", now);
    }
}

void ParallelExchanges::moveOn()
{
    yielding_ = false;
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
    std::vector<Exchange*> waiting; // the exchange of each wait
    waits.reserve(exchanges_.size());
    waiting.reserve(exchanges_.size());
    bool pending = false;
    for (const auto& exchange : exchanges_) {
        if (exchange->phase == Exchange::Phase::pausing) {
            until = std::min(until, exchange->retryAt);
            continue;
        }
        const bool connecting = exchange->phase == Exchange::Phase::connecting;
        waits.push_back({&exchange->socket, exchange->waitsForWriting()});
        waiting.push_back(exchange.get());
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
    for (std::size_t i = 0; i < waits.size(); ++i) {
        Exchange& exchange = *waiting[i];
        if (waits[i].ready || (exchange.tls && exchange.tls->hasPending()))
            advance(exchange, now);
        if (!exchange.end && exchange.phase != Exchange::Phase::pausing)
            checkLimits(exchange, now);
    }
    for (const auto& exchange : exchanges_) {
        // Those that began their pause in this round wait for the next.
        if (exchange->phase == Exchange::Phase::pausing && now >= exchange->retryAt)
            connect(*exchange, now);
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
            retryOrFinish(exchange, ExchangeEnd::connectFailed, "connection refused", now);
            return;
        }
        exchange.lastMove = now;
        if (!exchange.tunnel.empty()) {
            exchange.phase = Exchange::Phase::tunnelling;
        } else if (exchange.secure) {
            exchange.tls = std::make_unique<TlsChannel>(exchange.socket.native(), exchange.tlsHost,
                                                        exchange.tlsPort, tlsTrust);
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
            if (count == NonBlockingSocket::kWouldBlock) {
                exchange.sendBlocked = true;
                return;
            }
            if (count < 0) {
                retryOrFinish(exchange, ExchangeEnd::sendFailed, "connection reset while sending", now);
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
    for (int i = 0; i < kReceivesPerWait && !yielding_ && readResponse(exchange, now); ++i) {
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
    exchange.tlsHost = target.substr(0, colon);
    exchange.tlsPort = static_cast<std::uint16_t>(std::strtoul(target.c_str() + colon + 1, nullptr, 10));
    exchange.tls =
        std::make_unique<TlsChannel>(exchange.socket.native(), exchange.tlsHost, exchange.tlsPort, tlsTrust);
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
    std::size_t wanted = block_.size();
    // A header is read in small receives: a whole block would be copied into the header
    // and out again, and held twice beside the block, for the few bytes it takes.
    if (exchange.phase == Exchange::Phase::header)
        wanted = std::min(wanted, kHeaderReceiveSize);
    // Exactly one answer is read from a kept connection: never a byte of what follows.
    if (exchange.answerLength)
        wanted = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, *exchange.answerLength - exchange.received));
    const int count = exchange.receive(block_.data(), static_cast<int>(wanted));
    if (count == NonBlockingSocket::kWouldBlock)
        return false;
    const bool inHeader = exchange.phase == Exchange::Phase::header;
    const bool nothingYet = inHeader && exchange.header.empty();
    if (count == 0) {
        if (nothingYet) {
            retryOrFinish(exchange, ExchangeEnd::headerIncomplete, "closed before the status line", now);
        } else if (exchange.chunked) {
            WriteDiagnostic("The chunked answer from " + exchange.peer + " ended before its last chunk");
            finish(exchange, ExchangeEnd::chunkedBroken);
        } else {
            finish(exchange, inHeader ? ExchangeEnd::headerIncomplete : ExchangeEnd::closed);
        }
        return false;
    }
    if (count < 0) {
        if (nothingYet)
            retryOrFinish(exchange, ExchangeEnd::receiveFailed, "connection reset before the status line", now);
        else
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
    } else if (exchange.answerLength && exchange.received == *exchange.answerLength) {
        complete(exchange);
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
    unreachable_ = false;
    if (DeclaresChunked(exchange.header))
        exchange.chunked.emplace();
    else
        exchange.answerLength = KeptAnswerLength(exchange.header);
    // Bytes beyond the announced length are no part of this answer: the connection is
    // not kept then.
    const bool overlong = exchange.answerLength && first.size() > *exchange.answerLength;
    if (overlong) {
        first.resize(static_cast<std::size_t>(*exchange.answerLength));
        exchange.answerLength.reset();
    }
    events_.onHeader(exchange.number, StatusCodeOf(exchange.header), exchange.header);
    if (!first.empty() || exchange.answerLength)
        takeBodyBytes(exchange, first.data(), static_cast<int>(first.size()));
    if (overlong && !exchange.end)
        finish(exchange, ExchangeEnd::closed);
}

void ParallelExchanges::complete(Exchange& exchange)
{
    if (kept_.size() < kMostKept)
        kept_.push_back({exchange.key, std::move(exchange.socket), std::move(exchange.tls)});
    finish(exchange, ExchangeEnd::complete);
}

void ParallelExchanges::retryOrFinish(Exchange& exchange, ExchangeEnd end, const char* reason,
                                      Clock::time_point now)
{
    exchange.tls.reset();
    exchange.socket.close();
    // A kept connection the server closed while it waited: a new one takes its place.
    if (exchange.reused) {
        connect(exchange, now);
        return;
    }
    if (exchange.retries >= kRetries || unreachable_) {
        if (end == ExchangeEnd::connectFailed)
            WriteDiagnostic("Cannot connect to " + exchange.peer);
        unreachable_ = true;
        finish(exchange, end);
        return;
    }
    ++exchange.retries;
    WriteDiagnostic(FormatString("Request to %s failed (%s), retry %d of %d", exchange.peer.c_str(), reason,
                                 exchange.retries, kRetries));
    events_.onRetry(exchange.number, exchange.retries, reason);
    exchange.phase = Exchange::Phase::pausing;
    exchange.retryAt = now + kFirstRetryPause * (1 << (exchange.retries - 1));
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
    case Exchange::Phase::pausing:
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
