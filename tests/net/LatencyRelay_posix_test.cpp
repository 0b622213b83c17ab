// The slow-link relay of the tests: bytes pass unchanged, one exchange costs two round
// trips (the handshake's and the request's), and it stops with its owner.
#include "LatencyRelay.h"
#include "LoopbackSocket.h"
#include "ServerProcess.h"
#include "TestHttpServer.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace std::chrono_literals;

// Sends the request and reads until the peer closes; empty when a wait ran out.
std::string Exchange(std::uint16_t port, const std::string& request)
{
    LoopbackSocket socket = LoopbackSocket::startConnect(port);
    for (std::size_t sent = 0; sent < request.size();) {
        const int n = socket.send(request.data() + sent, static_cast<int>(request.size() - sent), 5s);
        if (n <= 0)
            return {};
        sent += static_cast<std::size_t>(n);
    }
    std::string answer;
    char buffer[65536];
    while (true) {
        const int n = socket.receive(buffer, sizeof buffer, 5s);
        if (n == 0)
            return answer;
        if (n < 0)
            return {};
        answer.append(buffer, static_cast<std::size_t>(n));
    }
}

TEST(LatencyRelay, OneExchangeTakesTwoRoundTrips)
{
    std::string body(1 << 20, '\0');
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>(i * 7 + i / 256);
    TestHttpServer server(OkReply(body, "application/octet-stream"));
    const std::string request = "GET / HTTP/1.1\r\nHost: relay\r\nConnection: close\r\n\r\n";
    const std::string direct = Exchange(server.port(), request);
    ASSERT_NE(direct.find(body), std::string::npos);

    LatencyRelay relay(server.port(), 40ms);
    ASSERT_TRUE(relay.running());
    const auto start = std::chrono::steady_clock::now();
    const std::string relayed = Exchange(relay.port(), request);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(relayed, direct);
    EXPECT_EQ(server.lastRequest(), request);
    EXPECT_GE(took, 2 * relay.roundTrip());
    std::printf("one exchange of %zu bytes through a relay of %lld ms round trip: %lld ms\n", relayed.size(),
                static_cast<long long>(relay.roundTrip().count()), static_cast<long long>(took.count()));
}

// At a rate, a body takes at least its size over the rate beyond the round trips: the line
// is the slow part, as over a metered line.
TEST(LatencyRelay, ARateLimitHoldsBytesBackAsALineDoes)
{
    const std::string body(1 << 20, 'r');
    TestHttpServer server(OkReply(body, "application/octet-stream"));
    const std::string request = "GET / HTTP/1.1\r\nHost: relay\r\nConnection: close\r\n\r\n";
    LatencyRelay relay(server.port(), 1ms, 4'000'000);
    ASSERT_TRUE(relay.running());
    const auto start = std::chrono::steady_clock::now();
    const std::string relayed = Exchange(relay.port(), request);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_NE(relayed.find(body), std::string::npos);
    EXPECT_GE(took, std::chrono::milliseconds(1000 * (1 << 20) / 4'000'000));
}

TEST(LatencyRelay, StopsWithItsOwner)
{
    TestHttpServer server(OkReply("hello"));
    int port = 0;
    {
        LatencyRelay relay(server.port(), 5ms);
        ASSERT_TRUE(relay.running());
        port = relay.port();
        EXPECT_TRUE(LoopbackPortAnswers(port));
    }
    EXPECT_FALSE(LoopbackPortAnswers(port));
}

} // namespace
