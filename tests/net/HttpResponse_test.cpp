// Reading responses: header, body blocks, status code and the charset fold, from bytes in
// memory and from loopback servers that misbehave.
#include "net/CommandClient.h"
#include "net/HttpClient.h"

#include "support/MemorySource.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr Timeouts kShort{1000ms, 500ms};

// A command client that records the blocks it is offered and optionally takes them.
class RecordingClient : public CommandClient {
public:
    explicit RecordingClient(bool takes = false) : takes_(takes) {}

    bool consumeData(const char* bytes, int count) override
    {
        blocks.emplace_back(bytes, static_cast<std::size_t>(count));
        return takes_;
    }

    std::vector<std::string> blocks;

private:
    bool takes_;
};

int PerformAgainst(HttpClient& client, const TestHttpServer& server)
{
    client.host = "127.0.0.1";
    client.port = server.port();
    // Moved in rather than assigned from the literal, which GCC 12 for MinGW takes for an
    // overlapping copy (a false restrict warning).
    client.path = std::string("/");
    client.setTimeouts(kShort);
    return client.perform();
}

TEST(HttpResponse, BodyStartsRightBehindTheHeader)
{
    HttpClient client;
    MemorySource source("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc");
    client.readResponse(source);
    EXPECT_EQ(client.header(), "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n");
    EXPECT_EQ(client.body(), "abc");
    EXPECT_EQ(client.statusCode(), 200);
}

TEST(HttpResponse, StatusCodeOfTheStatusLine)
{
    const struct {
        const char* header;
        int status;
    } cases[] = {
        {"HTTP/1.1 404 Not Found\r\n\r\n", 404},
        {"HTTP/1.0 500\r\n\r\n", 500},
        {"HTTP/1.1 301 Moved\r\nLocation: /x\r\n\r\n", 301},
        {"HTTP/1.1 200 OK\r\nX: y\r\n", 200}, // status line complete, header not
        {"HTTP/1.1 20 OK\r\n\r\n", 0},
        {"HTTP/1.1 2000 OK\r\n\r\n", 0},
        {"ICY 200 OK\r\n\r\n", 0},
        {"HTTP/1.1\r\n404 x\r\n\r\n", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        HttpClient client;
        MemorySource source(c.header);
        client.readResponse(source);
        EXPECT_EQ(client.statusCode(), c.status);
    }
}

TEST(HttpResponse, HeaderThatNeverEndsKeepsWhatCameAndGivesNoBody)
{
    HttpClient client;
    MemorySource source("HTTP/1.1 200 OK\r\nX: y\r\n");
    client.readResponse(source);
    EXPECT_EQ(client.header(), "HTTP/1.1 200 OK\r\nX: y\r\n");
    EXPECT_EQ(client.body(), "");

    TestHttpServer server(UnendingHeaderReply());
    HttpClient overTheWire;
    EXPECT_EQ(PerformAgainst(overTheWire, server), 0);
    EXPECT_EQ(overTheWire.header(), UnendingHeaderReply().bytes);
    EXPECT_EQ(overTheWire.body(), "");
}

TEST(HttpResponse, OverlongHeaderEndsTheExchange)
{
    std::string header = "HTTP/1.1 200 OK\r\n";
    while (header.size() < 2 * kResponseHeaderLimit)
        header += "X-Filler: 0123456789\r\n";
    MemorySource source(header + "\r\nbody");
    HttpClient client;
    client.readResponse(source);
    EXPECT_EQ(client.header(), header.substr(0, kResponseHeaderLimit));
    EXPECT_EQ(client.body(), "");
    EXPECT_EQ(source.calls(), static_cast<int>(kResponseHeaderLimit)) << "read on behind the limit";

    TestHttpServer server(EndlessHeaderReply());
    HttpClient overTheWire;
    EXPECT_EQ(PerformAgainst(overTheWire, server), 0);
    EXPECT_EQ(overTheWire.header().size(), kResponseHeaderLimit);
    EXPECT_EQ(overTheWire.body(), "");
}

TEST(HttpResponse, ErrorRepliesAreDeliveredAndChunkedOnesDecoded)
{
    TestHttpServer server(StatusReply(404, "Not Found", "<h1>missing</h1>"));
    HttpClient client;
    EXPECT_EQ(PerformAgainst(client, server), 0);
    EXPECT_EQ(client.statusCode(), 404);
    EXPECT_EQ(client.body(), "<h1>missing</h1>");

    server.setReply(ChunkedReply({"Hello, ", "world"}));
    EXPECT_EQ(PerformAgainst(client, server), 0);
    EXPECT_EQ(client.statusCode(), 200);
    EXPECT_EQ(client.body(), "Hello, world");

    // Ends at its last chunk, although the server keeps the connection open.
    Reply open = ChunkedReply({"offen"});
    open.ending = Reply::Ending::silence;
    server.setReply(open);
    EXPECT_EQ(PerformAgainst(client, server), 0);
    EXPECT_EQ(client.body(), "offen");

    Reply cut = ChunkedReply({"Hello, ", "world"});
    cut.bytes.resize(cut.bytes.size() - 5);
    server.setReply(cut);
    testing::internal::CaptureStderr();
    EXPECT_EQ(PerformAgainst(client, server), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "The chunked answer from 127.0.0.1 ended before its last chunk\n");
    EXPECT_EQ(client.statusCode(), 200);
    EXPECT_EQ(client.body(), "");
}

TEST(HttpResponse, BlocksAreKeptInArrivalOrder)
{
    std::string body;
    for (int i = 0; i < 3000; ++i)
        body += std::to_string(i) + ",";
    RecordingClient client;
    MemorySource source("HTTP/1.1 200 OK\r\n\r\n" + body, {1, 4096, 7, 300});
    client.readResponse(source);
    EXPECT_GT(client.blocks.size(), 4u);
    std::string joined;
    for (const std::string& block : client.blocks) {
        EXPECT_GE(block.size(), 1u);
        EXPECT_LE(block.size(), 4096u);
        joined += block;
    }
    EXPECT_EQ(joined, body);
    EXPECT_EQ(client.body(), body);

    TestHttpServer server(SplitReply(body, 64));
    RecordingClient overTheWire;
    EXPECT_EQ(PerformAgainst(overTheWire, server), 0);
    EXPECT_EQ(overTheWire.body(), body);
}

TEST(HttpResponse, ALargerReceiveBlockHandsOverLargerBlocksInOrder)
{
    std::string body;
    for (int i = 0; i < 60000; ++i)
        body.append(std::to_string(i)).append(",");
    RecordingClient client;
    client.receiveBlockSize = 65536;
    MemorySource source(std::string("HTTP/1.1 200 OK\r\n\r\n").append(body));
    client.readResponse(source);
    std::string joined;
    std::size_t largest = 0;
    for (const std::string& block : client.blocks) {
        largest = std::max(largest, block.size());
        joined += block;
    }
    EXPECT_EQ(largest, 65536u);
    EXPECT_EQ(joined, body);
}

TEST(HttpResponse, EmptyBodyCallsNoSlot)
{
    TestHttpServer server(OkReply(""));
    RecordingClient client;
    EXPECT_EQ(PerformAgainst(client, server), 0);
    EXPECT_TRUE(client.blocks.empty());
    EXPECT_EQ(client.body(), "");
}

TEST(HttpResponse, TakenBlocksStayOutOfTheBody)
{
    TestHttpServer server(OkReply("file bytes"));
    RecordingClient client(true);
    EXPECT_EQ(PerformAgainst(client, server), 0);
    ASSERT_EQ(client.blocks.size(), 1u);
    EXPECT_EQ(client.blocks[0], "file bytes");
    EXPECT_EQ(client.body(), "");
}

TEST(HttpResponse, BrokenRepliesKeepWhatArrived)
{
    TestHttpServer server(CutReply("0123456789", 4));
    HttpClient client;
    EXPECT_EQ(PerformAgainst(client, server), 0);
    EXPECT_EQ(client.body(), "0123");

    server.setReply(ResetReply("0123456789", 5));
    EXPECT_EQ(PerformAgainst(client, server), 0);
    EXPECT_EQ(client.body(), "");
    EXPECT_EQ(client.statusCode(), 0);
}

TEST(HttpResponse, TrickleFasterThanTheStallLimitIsReadWhole)
{
    TestHttpServer server(TrickleReply("slow", 5ms));
    HttpClient client;
    EXPECT_EQ(PerformAgainst(client, server), 0);
    EXPECT_EQ(client.body(), "slow");
}

TEST(HttpResponse, SilentServerEndsTheExchangeWithinTheStallLimit)
{
    for (const Reply& reply : {SilentReply(), SilentAfterHeaderReply()}) {
        TestHttpServer server(reply);
        HttpClient client;
        testing::internal::CaptureStderr();
        const Clock::time_point start = Clock::now();
        EXPECT_EQ(PerformAgainst(client, server), 0);
        const auto elapsed = Clock::now() - start;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Nothing received from 127.0.0.1 on port " +
                                                              std::to_string(server.port()) +
                                                              " for 500 ms\n");
        EXPECT_LT(elapsed, kShort.stall + 1s);
        EXPECT_EQ(client.header(), reply.bytes);
        EXPECT_EQ(client.body(), "");
    }
}

TEST(HttpResponse, ServerThatNeverReadsFailsTheSendWithinTheStallLimit)
{
    TestHttpServer server(DeafReply());
    HttpClient client;
    client.requestBody.assign(64 * 1024 * 1024, 'x');
    testing::internal::CaptureStderr();
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(PerformAgainst(client, server), 7);
    const auto elapsed = Clock::now() - start;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "No progress sending to 127.0.0.1 on port " + std::to_string(server.port()) + " for 500 ms\n");
    EXPECT_LT(elapsed, kShort.stall + 1s);
}

TEST(HttpResponse, EndlessBodyFlowsUntilTheServerStops)
{
    const std::string pattern = "0123456789abcdefghijklmnopqrstuvwxyz";
    TestHttpServer server(EndlessBodyReply(pattern));
    RecordingClient client(true);
    std::thread stopper([&server] {
        std::this_thread::sleep_for(300ms);
        server.stop();
    });
    EXPECT_EQ(PerformAgainst(client, server), 0);
    stopper.join();

    std::size_t offset = 0;
    bool inOrder = true;
    for (const std::string& block : client.blocks)
        for (const char c : block)
            inOrder = inOrder && c == pattern[offset++ % pattern.size()];
    EXPECT_TRUE(inOrder);
    EXPECT_GT(offset, pattern.size());
    EXPECT_EQ(client.body(), "");
}

TEST(HttpResponse, FoldUtf8)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"\xC3\xA4", "\xE4"},
        {"\xC3\x84\xC3\x96\xC3\x9C\xC3\x9F\xC3\xA4\xC3\xA8\xC3\xA9\xC3\xB6\xC3\xBC",
         "\xC4\xD6\xDC\xDF\xE4\xE8\xE9\xF6\xFC"},
        {"\xC3\x41", "X"},
        {"\xC3\xC3\xB6", "\xF6"},
        {"ab\xC3", "ab"},
        {"\xE2\x82\xAC", "\xE2\x82\xAC"},
        {"\xC2\xA7", "\xC2\xA7"},
        {"plain", "plain"},
        {"", ""},
    };
    for (const auto& c : cases) {
        std::string text = c.in;
        EXPECT_EQ(HttpClient::foldUtf8(text), static_cast<int>(c.out.size()));
        EXPECT_EQ(text, c.out);
    }
}

TEST(HttpResponse, DeclaredLengthDoesNotBoundTheBodyKept)
{
    // A length that is a lie, too large or too small, reserves no more than a bounded
    // amount and keeps what arrived.
    for (const char* length : {"99999999999999", "2", "x"}) {
        SCOPED_TRACE(length);
        HttpClient client;
        MemorySource source(std::string("HTTP/1.0 200 OK\r\nContent-Length: ") + length + "\r\n\r\nabcd", {3});
        client.readResponse(source);
        EXPECT_EQ(client.body(), "abcd");
    }
}

TEST(HttpResponse, CharsetMarkerDecidesTheFold)
{
    const struct {
        const char* response;
        const char* body;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n\xC3\xA4", "\xE4"},
        {"HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n\xC3\xA4", "\xC3\xA4"},
        {"HTTP/1.1 200 OK\r\n\r\n\xC3\xA4 <meta charset=UTF-8>", "\xE4 <meta charset=UTF-8>"},
        {"HTTP/1.1 200 OK\r\n\r\n\xC3\xA4", "\xC3\xA4"},
        {"HTTP/1.1 200 OK\r\nX: charset=UTF-8\r\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.response);
        HttpClient client;
        MemorySource source(c.response, {3});
        client.readResponse(source);
        EXPECT_EQ(client.body(), c.body);
    }
}

TEST(HttpResponse, TakenBodyLeavesOnlyTheHeaderForTheCharsetTest)
{
    RecordingClient client(true);
    MemorySource source("HTTP/1.1 200 OK\r\n\r\ncharset=UTF-8\xC3\xA4");
    client.readResponse(source);
    EXPECT_EQ(client.body(), "");
    ASSERT_EQ(client.blocks.size(), 1u);
    EXPECT_EQ(client.blocks[0], "charset=UTF-8\xC3\xA4");
}

} // namespace
