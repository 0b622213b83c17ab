#pragma once
// HTTP exchanges side by side in the one thread: each runs on a non-blocking connection
// of its own as a small state machine (connect, through a proxy's tunnel when there is
// one, the TLS handshake of a secure exchange, send the request, read the header, read
// the body), and one wait over all their sockets moves them on. A chunked body is
// reported decoded. Every exchange keeps the limits a single one has: the connect limit,
// the stall limit and the slow-link rule of Timeouts. An exchange reports to its owner, in
// this order, its retries, its response header (before its first body byte), its body
// blocks and its end.
//
// Connections are kept: a request goes out with "Connection: keep-alive" in place of
// "Connection: Close", and an answer the server lets stay open (HTTP/1.1, a
// Content-Length, no "Connection: close", no transfer coding) is read to exactly that
// length; its connection (with its TLS session and tunnel) then waits for the next
// exchange to the same server the same way. A kept connection the server has closed
// meanwhile is replaced by a new one without a word. A request that fails before the
// first byte of its answer (refused, reset, closed without a status line) is sent again,
// up to kRetries times, after a pause that grows each time; once one has failed that
// often, the others fail at once until an answer comes again (a server that has gone
// costs a run no pauses per file). A TLS refusal is never retried.

#include "net/NonBlockingSocket.h"
#include "net/Timeouts.h"
#include "net/TlsTrust.h"
#include "net/WaitObserver.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// How an exchange ended.
enum class ExchangeEnd {
    closed,           // the server closed the connection after a complete header
    complete,         // the answer's Content-Length arrived; its connection is kept
    unresolved,       // the host name did not resolve
    connectFailed,    // refused, or not connected within the connect limit
    sendFailed,       // the request could not be sent whole within the stall limit
    headerIncomplete, // the connection ended, or the header outgrew kResponseHeaderLimit, before its empty
                      // line
    receiveFailed,    // a reset or another receive error
    stalled,          // nothing arrived for the stall limit
    tooSlow,          // the slow-link rule ended it
    bodyLimit,        // more body bytes arrived than the exchange takes
    chunkedBroken,    // a chunked body was out of form, or ended before its last chunk
    tlsFailed,        // the TLS handshake failed or the server was not trusted
    tunnelRefused,    // the proxy answered the CONNECT request with another status than 200
    cancelled,        // the owner ended it
};

// The owner's side of the exchanges. The calls come from moveOn and cancelAll; they must
// not start or end exchanges themselves.
class ExchangeEvents {
public:
    // The exchange's request failed before any byte of its answer (reason says how) and
    // goes out again: retry counts from 1 to kRetries.
    virtual void onRetry(int exchange, int retry, const std::string& reason) = 0;
    // The response header of an exchange is complete (empty line included); status is
    // the code of its status line, 0 when it has none.
    virtual void onHeader(int exchange, int status, const std::string& header) = 0;
    // A block of its body, 1 to receiveBlockSize bytes, in arrival order.
    virtual void onBody(int exchange, const char* bytes, int count) = 0;
    // The exchange is over; nothing more is reported for it.
    virtual void onEnd(int exchange, ExchangeEnd end) = 0;

protected:
    ~ExchangeEvents() = default;
};

// How often a request that failed before its answer is sent again, and the pause before
// the first time (doubled each time).
inline constexpr int kRetries = 3;
inline constexpr std::chrono::milliseconds kFirstRetryPause{100};

class ParallelExchanges {
public:
    explicit ParallelExchanges(ExchangeEvents& events);
    // Closes every connection still open, kept ones too, reporting nothing.
    ~ParallelExchanges();
    ParallelExchanges(const ParallelExchanges&) = delete;
    ParallelExchanges& operator=(const ParallelExchanges&) = delete;

    // The limits of each exchange started from now on.
    Timeouts timeouts = kDefaultTimeouts;
    // The most bytes one receive takes and hands on as a body block.
    int receiveBlockSize = 4096;
    // The roots a secure exchange trusts.
    TlsTrust tlsTrust = TlsTrust::BuiltIn();

    // The observer called after every wait (at least every kIdleInterval while the
    // exchanges wait) and asked then whether they are still wanted: when it cancels, every
    // running exchange ends as cancelled. Null for none; it is not owned.
    void setWaitObserver(WaitObserver* observer) { observer_ = observer; }

    // Begins an exchange that sends request to host on port (over TLS when secure) and
    // takes at most bodyLimit body bytes (the block that goes beyond is still reported).
    // Returns the exchange's number, which its reports carry. An exchange that fails at
    // once reports its end in the next moveOn, which then does not wait.
    // A tunnel request (CONNECT, to a proxy at host and port) goes first, and the exchange
    // goes on once the proxy answered it with 200.
    int start(const std::string& host, std::uint16_t port, std::string request, std::uint64_t bodyLimit,
              bool secure = false, std::string tunnel = {});

    // The exchanges whose end has not been reported yet.
    std::size_t running() const { return exchanges_.size(); }

    // Waits until an exchange can move or one of its limits runs out, moves every
    // exchange that can and reports what happened. Returns at once when none is running.
    void moveOn();

    // Ends every running exchange, reporting each as cancelled.
    void cancelAll();

    // Called from an event: the moveOn under way takes no more receives of that exchange
    // and returns after this round, so that the caller can start exchanges at once.
    void yield() { yielding_ = true; }

private:
    struct Exchange;
    struct KeptConnection;
    using Clock = std::chrono::steady_clock;

    // Begins a new connection for exchange; its tunnel and handshake follow.
    void connect(Exchange& exchange, Clock::time_point now);
    void advance(Exchange& exchange, Clock::time_point now);
    // Sends the tunnel request and reads the proxy's answer; true when the tunnel is open.
    bool openTunnel(Exchange& exchange, Clock::time_point now);
    // Takes the TLS handshake on; true when it is complete.
    bool shakeHands(Exchange& exchange, Clock::time_point now);
    // The request failed before its answer: it goes out again, or the exchange ends.
    void retryOrFinish(Exchange& exchange, ExchangeEnd end, const char* reason, Clock::time_point now);
    // The answer is whole and its connection stays open: it is kept for the next exchange.
    void complete(Exchange& exchange);
    // One receive; true when it took bytes and the exchange goes on.
    bool readResponse(Exchange& exchange, Clock::time_point now);
    void takeHeaderBytes(Exchange& exchange, int count);
    // Reports count received body bytes at bytes (decoded first when the body is chunked).
    void takeBodyBytes(Exchange& exchange, char* bytes, int count);
    void checkLimits(Exchange& exchange, Clock::time_point now);
    void finish(Exchange& exchange, ExchangeEnd end);
    void reportEnded();
    bool resolve(const std::string& host, std::uint32_t& address);

    ExchangeEvents& events_;
    WaitObserver* observer_ = nullptr;
    bool yielding_ = false; // the caller asked for the end of this round's receives
    std::vector<std::unique_ptr<Exchange>> exchanges_;
    std::vector<KeptConnection> kept_; // open connections that wait for a next exchange
    std::map<std::string, std::uint32_t> addresses_; // resolved host names
    std::vector<char> block_;
    int nextNumber_ = 0;
    bool unreachable_ = false; // an exchange failed after its last retry, and no answer came since
};
