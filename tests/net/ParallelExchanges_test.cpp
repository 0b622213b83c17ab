// Exchanges side by side against the in-process test server: each brings its own reply,
// and each keeps its own limits while the others go on.
#include "net/ParallelExchanges.h"

#include "support/LoopbackSocket.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Short limits: 300 ms without a byte ends an exchange.
constexpr Timeouts kShort{1000ms, 300ms};

// What one exchange reported, in order.
struct Report {
    std::vector<std::string> events; // "header 200", "body", "end"
    std::string header;
    std::string body;
    ExchangeEnd end = ExchangeEnd::cancelled;
};

class Recorder final : public ExchangeEvents {
public:
    void onRetry(int exchange, int retry, const std::string&) override
    {
        reports[exchange].events.push_back("retry " + std::to_string(retry));
    }
    void onHeader(int exchange, int status, const std::string& header) override
    {
        reports[exchange].events.push_back("header " + std::to_string(status));
        reports[exchange].header = header;
    }
    void onBody(int exchange, const char* bytes, int count) override
    {
        Report& report = reports[exchange];
        if (report.events.empty() || report.events.back() != "body")
            report.events.push_back("body");
        report.body.append(bytes, static_cast<std::size_t>(count));
    }
    void onEnd(int exchange, ExchangeEnd end) override
    {
        reports[exchange].events.push_back("end");
        reports[exchange].end = end;
        ended.push_back(exchange);
    }

    std::map<int, Report> reports;
    std::vector<int> ended; // exchange numbers in the order they ended
};

std::string Get(const std::string& path)
{
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: Close\r\n\r\n";
}

std::string Bytes(std::size_t count, char seed)
{
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>(seed + i % 23);
    return bytes;
}

// A reply that keeps moving for about 600 ms, longer than the stall limit: 25 pieces of
// 100 bytes, 25 ms apart.
Reply SteadyReply(const std::string& body)
{
    Reply reply = OkReply(body);
    reply.pieceSize = 100;
    reply.pause = 25ms;
    return reply;
}

class Exchanges : public ::testing::Test {
protected:
    Exchanges() { engine_.timeouts = kShort; }

    int start(const std::string& path, std::uint64_t bodyLimit = 1u << 20)
    {
        return engine_.start("127.0.0.1", server_.port(), Get(path), bodyLimit);
    }

    // Moves the exchanges on until all have ended; at most limit waits.
    void runAll(int limit = 100000)
    {
        for (int i = 0; i < limit && engine_.running() > 0; ++i)
            engine_.moveOn();
        EXPECT_EQ(engine_.running(), 0u);
    }

    TestHttpServer server_{StatusReply(404, "Not Found", "nicht da")};
    Recorder recorder_;
    ParallelExchanges engine_{recorder_};
};

TEST_F(Exchanges, SeveralAtOnceEachGetItsOwnReplyHeaderFirst)
{
    std::vector<std::string> bodies;
    std::vector<int> numbers;
    for (int i = 0; i < 6; ++i) {
        bodies.push_back(Bytes(static_cast<std::size_t>(2500 + 100 * i), static_cast<char>('a' + i)));
        server_.setReplyFor("/datei" + std::to_string(i) + " ", SteadyReply(bodies.back()));
    }
    engine_.receiveBlockSize = 256;
    for (int i = 0; i < 6; ++i)
        numbers.push_back(start("/datei" + std::to_string(i)));
    EXPECT_EQ(engine_.running(), 6u);
    runAll();

    EXPECT_EQ(server_.mostAtOnce(), 6);
    for (int i = 0; i < 6; ++i) {
        const Report& report = recorder_.reports[numbers[static_cast<std::size_t>(i)]];
        SCOPED_TRACE(i);
        EXPECT_EQ(report.events, (std::vector<std::string>{"header 200", "body", "end"}));
        EXPECT_EQ(report.end, ExchangeEnd::closed);
        EXPECT_TRUE(report.header.starts_with("HTTP/1.1 200 OK\r\n"));
        EXPECT_TRUE(report.header.ends_with("\r\n\r\n"));
        EXPECT_TRUE(report.body == bodies[static_cast<std::size_t>(i)]);
    }
}

TEST_F(Exchanges, ASilentExchangeDoesNotHoldUpTheOthers)
{
    server_.setReplyFor("/still ", SilentReply());
    server_.setReplyFor("/laut ", SteadyReply(Bytes(2500, 'x')));
    const int silent = start("/still");
    const int first = start("/laut");
    const int second = start("/laut");
    testing::internal::CaptureStderr();
    runAll();
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    // The steady ones took longer than the stall limit and still ended normally.
    EXPECT_EQ(recorder_.reports[first].end, ExchangeEnd::closed);
    EXPECT_EQ(recorder_.reports[second].end, ExchangeEnd::closed);
    EXPECT_EQ(recorder_.reports[silent].end, ExchangeEnd::stalled);
    EXPECT_EQ(recorder_.reports[silent].events, std::vector<std::string>{"end"});
    EXPECT_EQ(diagnostics,
              "Nothing received from 127.0.0.1 on port " + std::to_string(server_.port()) + " for 300 ms\n");
}

struct Fault {
    const char* name;
    Reply reply;
    ExchangeEnd end;
    bool header; // whether a header is reported
    // Also taken: Wine reports some resets as an orderly close (the body is cut either way).
    std::optional<ExchangeEnd> orEnd = std::nullopt;
};

void PrintTo(const Fault& fault, std::ostream* out)
{
    *out << fault.name;
}

const std::string kBody = Bytes(20000, 'k');

const Fault kFaults[] = {
    {"CutBody", CutReply(kBody, 5000), ExchangeEnd::closed, true},
    {"ResetMidBody", ResetReply(kBody, 3000), ExchangeEnd::receiveFailed, true, ExchangeEnd::closed},
    {"NotFound", StatusReply(404, "Not Found", "nicht da"), ExchangeEnd::closed, true},
    {"SilenceAfterHeader", SilentAfterHeaderReply(), ExchangeEnd::stalled, true},
    {"SilenceFromTheStart", SilentReply(), ExchangeEnd::stalled, false},
    {"EndlessBody", EndlessBodyReply("0123456789abcdef"), ExchangeEnd::bodyLimit, true},
    {"HeaderWithoutEnd", UnendingHeaderReply(), ExchangeEnd::headerIncomplete, false},
    {"EndlessHeader", EndlessHeaderReply(), ExchangeEnd::headerIncomplete, false},
};

class FaultBesideGoodExchange : public Exchanges, public ::testing::WithParamInterface<Fault> {};

TEST_P(FaultBesideGoodExchange, EndsOnlyItsOwnExchange)
{
    const std::string good = Bytes(2500, 'g');
    server_.setReplyFor("/gut ", SteadyReply(good));
    server_.setReplyFor("/fehler ", GetParam().reply);
    const int bad = start("/fehler", 100000);
    const int fine = start("/gut");
    testing::internal::CaptureStderr();
    runAll();
    testing::internal::GetCapturedStderr();

    EXPECT_EQ(recorder_.reports[fine].end, ExchangeEnd::closed);
    EXPECT_TRUE(recorder_.reports[fine].body == good);
    const Report& report = recorder_.reports[bad];
    if (report.end != GetParam().orEnd) {
        EXPECT_EQ(report.end, GetParam().end);
    }
    EXPECT_EQ(report.events.front().starts_with("header"), GetParam().header);
    EXPECT_EQ(report.events.back(), "end");
    EXPECT_LE(report.body.size(), 100000u + 4096u);
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultBesideGoodExchange, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Exchanges, ATrickleEndsByTheSlowLinkRuleAlone)
{
    Timeouts slow = kShort;
    slow.slowWindow = 400ms;
    slow.slowRate = 1000;
    engine_.timeouts = slow;
    // A byte every 20 ms: never a stall, but 50 bytes/s.
    server_.setReplyFor("/tropfen ", TrickleReply(Bytes(1000, 't'), 20ms));
    server_.setReplyFor("/gut ", OkReply("gut"));
    const int trickle = start("/tropfen");
    const int fine = start("/gut");
    testing::internal::CaptureStderr();
    runAll();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Transfer slower than 1000 bytes/s for 400 ms, given up\n");
    EXPECT_EQ(recorder_.reports[trickle].end, ExchangeEnd::tooSlow);
    EXPECT_EQ(recorder_.reports[fine].body, "gut");
}

TEST_F(Exchanges, ARequestTheServerNeverReadsEndsAtTheStallLimit)
{
    server_.setReply(DeafReply());
    // Far more than the socket buffers on both sides hold.
    const int deaf = engine_.start("127.0.0.1", server_.port(), Get("/taub") + std::string(32 << 20, 'r'), 0);
    testing::internal::CaptureStderr();
    runAll();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "No progress sending to 127.0.0.1 on port " + std::to_string(server_.port()) + " for 300 ms\n");
    EXPECT_EQ(recorder_.reports[deaf].end, ExchangeEnd::sendFailed);
}

TEST_F(Exchanges, ConnectFailuresAreRetriedThriceAndThenReported)
{
    std::uint16_t closed = 0;
    {
        LoopbackSocket probe = LoopbackSocket::listen(1);
        closed = probe.localPort();
    }
    server_.setReply(OkReply("da"));
    testing::internal::CaptureStderr();
    const int refused = engine_.start("127.0.0.1", closed, Get("/"), 100);
    const int unknown = engine_.start("no-such-host.invalid", 80, Get("/"), 100);
    const int fine = start("/");
    runAll();
    // After that the server counts as gone: the next request is not asked again, until
    // an answer came.
    const int next = engine_.start("127.0.0.1", closed, Get("/"), 100);
    runAll();
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_EQ(recorder_.reports[next].events, std::vector<std::string>{"end"});
    EXPECT_EQ(recorder_.reports[refused].events, (std::vector<std::string>{"retry 1", "retry 2", "retry 3", "end"}));
    EXPECT_EQ(recorder_.reports[refused].end, ExchangeEnd::connectFailed);
    EXPECT_NE(diagnostics.find("Request to 127.0.0.1 on port " + std::to_string(closed) +
                               " failed (connection refused), retry 3 of 3\n"),
              std::string::npos);
    // A name that does not resolve is not asked again.
    EXPECT_EQ(recorder_.reports[unknown].events, std::vector<std::string>{"end"});
    EXPECT_EQ(recorder_.reports[unknown].end, ExchangeEnd::unresolved);
    EXPECT_EQ(recorder_.reports[fine].body, "da");
    EXPECT_NE(diagnostics.find("Cannot connect to 127.0.0.1 on port " + std::to_string(closed) + "\n"),
              std::string::npos);
    EXPECT_NE(diagnostics.find("Cannot get host information for server no-such-host.invalid\n"),
              std::string::npos);
}

// How a server treats the connections of one slot that asks for three files one after
// another: every file arrives whole, over this many connections, with these retries.
struct ConnectionCase {
    const char* name;
    void (*serve)(TestHttpServer& server, const std::string& body);
    int connections;
    std::vector<std::string> firstEvents; // of the first exchange
    ExchangeEnd end;                      // of the last exchange
};

void PrintTo(const ConnectionCase& c, std::ostream* out)
{
    *out << c.name;
}

const ConnectionCase kConnectionCases[] = {
    {"KeptOpen", [](TestHttpServer& server, const std::string& body) { server.setReply(KeptOpenReply(OkReply(body), 10)); },
     1, {"header 200", "body", "end"}, ExchangeEnd::complete},
    {"ClosedAfterEachAnswer",
     [](TestHttpServer& server, const std::string& body) { server.setReply(KeptOpenReply(OkReply(body), 1)); }, 3,
     {"header 200", "body", "end"}, ExchangeEnd::complete},
    {"ClosedWhenTheNextRequestComes",
     [](TestHttpServer& server, const std::string& body) { server.setReply(KeptOpenReply(OkReply(body), 2, true)); },
     2, {"header 200", "body", "end"}, ExchangeEnd::complete},
    {"ResetBeforeTheStatusLineThenSuccess",
     [](TestHttpServer& server, const std::string& body) {
         server.queueReplies({ResetReply("", 0)});
         server.setReply(OkReply(body));
     },
     4, {"retry 1", "header 200", "body", "end"}, ExchangeEnd::closed},
    {"AnswersWithConnectionClose",
     [](TestHttpServer& server, const std::string& body) { server.setReply(OkReply(body)); }, 3,
     {"header 200", "body", "end"}, ExchangeEnd::closed},
};

class ConnectionsOfOneSlot : public Exchanges, public ::testing::WithParamInterface<ConnectionCase> {};

TEST_P(ConnectionsOfOneSlot, EveryFileArrivesWhole)
{
    const std::string body = Bytes(3000, 'c');
    GetParam().serve(server_, body);
    std::vector<int> numbers;
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) {
        numbers.push_back(start("/datei" + std::to_string(i)));
        runAll();
    }
    testing::internal::GetCapturedStderr();
    for (const int number : numbers) {
        SCOPED_TRACE(number);
        EXPECT_TRUE(recorder_.reports[number].body == body);
        EXPECT_EQ(recorder_.reports[number].events.back(), "end");
    }
    EXPECT_EQ(recorder_.reports[numbers[0]].events, GetParam().firstEvents);
    EXPECT_EQ(recorder_.reports[numbers[2]].end, GetParam().end);
    EXPECT_EQ(server_.connections(), GetParam().connections);
    // Asked for keep-alive, and every file asked for once (the reset one twice).
    for (const std::string& request : server_.requests()) {
        EXPECT_NE(request.find("\r\nConnection: keep-alive\r\n"), std::string::npos) << request;
        EXPECT_EQ(request.find("Close"), std::string::npos) << request;
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, ConnectionsOfOneSlot, ::testing::ValuesIn(kConnectionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Exchanges, AnswerBeyondItsContentLengthIsCutAndItsConnectionNotKept)
{
    Reply reply = KeptOpenReply(OkReply("genau"), 10);
    reply.bytes += "zuviel";
    server_.setReply(reply);
    const int first = start("/a");
    runAll();
    const int second = start("/b");
    runAll();
    EXPECT_EQ(recorder_.reports[first].body, "genau");
    EXPECT_EQ(recorder_.reports[first].end, ExchangeEnd::closed);
    EXPECT_EQ(recorder_.reports[second].body, "genau");
    EXPECT_EQ(server_.connections(), 2);
}

TEST_F(Exchanges, CancelAllEndsEveryRunningExchange)
{
    server_.setReply(SilentAfterHeaderReply());
    const int first = start("/a");
    const int second = start("/b");
    for (int i = 0; i < 50 && recorder_.reports[first].events.empty(); ++i)
        engine_.moveOn();
    engine_.cancelAll();
    EXPECT_EQ(engine_.running(), 0u);
    EXPECT_EQ(recorder_.reports[first].end, ExchangeEnd::cancelled);
    EXPECT_EQ(recorder_.reports[second].end, ExchangeEnd::cancelled);
    EXPECT_EQ(recorder_.ended.size(), 2u);
    // Nothing more is reported after the end.
    engine_.moveOn();
    EXPECT_EQ(recorder_.ended.size(), 2u);
}

TEST_F(Exchanges, TheRequestGoesOutExactlyAsGiven)
{
    server_.setReply(OkReply("ok"));
    const std::string request =
        "POST /cgi-bin/jobgate.cgi HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc";
    engine_.start("127.0.0.1", server_.port(), request, 100);
    runAll();
    EXPECT_EQ(server_.lastRequest(), request);
}

} // namespace
