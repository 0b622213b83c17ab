#pragma once
// A scriptable HTTP server for tests: it runs in a thread of the test process on
// 127.0.0.1 with a free port, serves each connection in a thread of its own (so that a
// silent reply does not hold up the connections beside it), records the exact bytes of
// every request and answers with the reply it was given.
//
//   TestHttpServer server(OkReply("hello"));
//   client.host = "127.0.0.1"; client.port = server.port();
//   client.perform();
//   EXPECT_EQ(server.lastRequest(), "GET / HTTP/1.1\r\n...");

#include "support/LoopbackSocket.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// What the server does with one connection.
struct Reply {
    enum class Ending {
        close,   // close the connection normally
        reset,   // abort it, so the client sees a reset
        silence, // keep it open without sending until the client closes or the server stops
    };

    bool readsRequest = true;           // false: never reads, so the client's sends eventually stall
    std::string bytes;                  // sent first
    std::size_t atOnce = 0;             // the first bytes sent in one write before the pieces
    std::size_t pieceSize = 0;          // 0: as one write; otherwise in writes of this size
    std::chrono::milliseconds pause{0}; // between two pieces
    std::string repeat;                 // when set, sent again and again after bytes
    Ending ending = Ending::close;
    // Requests answered on one connection (each with the reply chosen for it) before the
    // ending; with closesUnanswered the next request is read first and left unanswered.
    int answers = 1;
    bool closesUnanswered = false;
};

// 200 with the body and its Content-Length.
Reply OkReply(const std::string& body, const std::string& contentType = "text/plain");
// Any status with the body and its Content-Length.
Reply StatusReply(int status, const std::string& reason, const std::string& body);
// A redirect: status with a Location header and a small page.
Reply RedirectReply(int status, const std::string& location);
// 200 in chunked transfer coding, one chunk per element.
Reply ChunkedReply(const std::vector<std::string>& chunks);
// The reply with its Content-Length body sent in chunked transfer coding instead: chunks
// of chunkSize bytes, the first with a chunk extension, and a trailer field at the end.
Reply Rechunked(Reply reply, std::size_t chunkSize);
// 200 announcing the whole body, closed after its first count bytes.
Reply CutReply(const std::string& body, std::size_t count);
// The first count bytes of a 200 reply, then a reset.
Reply ResetReply(const std::string& body, std::size_t count);
// 200 sent one byte at a time with interval between bytes.
Reply TrickleReply(const std::string& body, std::chrono::milliseconds interval);
// 200 whose header and first fastCount body bytes go at once, the rest one byte at a time
// with interval between bytes.
Reply SlowTailReply(const std::string& body, std::size_t fastCount, std::chrono::milliseconds interval);
// 206 with the body's bytes from the byte at from on, as an answer to "Range: bytes=from-".
Reply PartialReply(const std::string& body, std::size_t from);
// 200 sent in writes of pieceSize bytes with a short pause between them.
Reply SplitReply(const std::string& body, std::size_t pieceSize);
// Nothing at all: the connection stays open and silent.
Reply SilentReply();
// A header, then silence.
Reply SilentAfterHeaderReply();
// A header, then the pattern repeated until the client goes.
Reply EndlessBodyReply(const std::string& pattern);
// Header lines without the empty line, then the connection closes.
Reply UnendingHeaderReply();
// Header lines without end, until the client goes.
Reply EndlessHeaderReply();
// Accepts but never reads nor answers.
Reply DeafReply();
// reply without "Connection: close", so that the client may keep the connection, which
// answers requests before it closes (after reading one more when closesUnanswered).
Reply KeptOpenReply(Reply reply, int answers, bool closesUnanswered = false);

class TestHttpServer {
public:
    explicit TestHttpServer(Reply reply = OkReply(""));
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    std::uint16_t port() const { return port_; }

    // The reply for the connections accepted from now on.
    void setReply(Reply reply);
    // Replies for the next connections, one each in this order; after them the standing
    // reply again.
    void queueReplies(std::vector<Reply> replies);

    // The reply for connections accepted from now on whose request holds requestPart (the
    // first such part given wins); other connections get the reply of setReply. With such
    // parts the request is always read before the reply is chosen.
    void setReplyFor(const std::string& requestPart, Reply reply);
    // A reply for the next request that holds requestPart, before the one of setReplyFor.
    void queueReplyFor(const std::string& requestPart, Reply reply);

    // The connections accepted so far.
    int connections() const;

    // The request bytes of every connection so far, in the order the connections came
    // (the later requests of a connection kept open follow in the order they came).
    std::vector<std::string> requests() const;
    // The request bytes of the last connection; empty when there was none.
    std::string lastRequest() const;

    // The most connections that were being served at the same time.
    int mostAtOnce() const;

    // Closes the listening socket and any open connection and ends the thread.
    void stop();

private:
    void run();
    void serveConnection(LoopbackSocket& connection, Reply reply, bool routed, std::size_t index);
    // The reply for request: the first route whose part it holds, else fallback.
    Reply routedReply(const std::string& request, const Reply& fallback);
    void serve(LoopbackSocket& connection, const Reply& reply);
    std::string readRequest(LoopbackSocket& connection);
    bool sendAll(LoopbackSocket& connection, const std::string& bytes);
    void waitForClientToClose(LoopbackSocket& connection, bool reads);

    LoopbackSocket listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};

    mutable std::mutex mutex_;
    Reply reply_;
    std::deque<Reply> queued_;
    struct Route {
        std::string part;
        Reply reply;
        std::deque<Reply> queued; // taken first, once each
    };
    std::vector<Route> routes_;
    int accepted_ = 0;
    std::vector<std::string> requests_;
    int served_ = 0;                       // connections being served now
    int mostAtOnce_ = 0;                   // the most served at the same time
    std::vector<std::thread> connections_; // one per accepted connection, joined by stop
    std::thread thread_;                   // the accepting thread, started last
};
