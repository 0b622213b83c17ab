#include "net/HttpClient.h"
#include "net/TcpConnection.h"

#include "support/LoopbackSocket.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr Timeouts kShort{1000ms, 500ms};

// A port on 127.0.0.1 that nothing listens on.
std::uint16_t ClosedPort()
{
    LoopbackSocket probe = LoopbackSocket::listen(1);
    return probe.localPort();
}

std::string PortText(std::uint16_t port)
{
    return std::to_string(port);
}

TEST(TcpConnection, StartsWithTheRealLimits)
{
    TcpConnection connection;
    EXPECT_EQ(connection.timeouts().connect, 15s);
    EXPECT_EQ(connection.timeouts().stall, 30s);
    EXPECT_EQ(DescribeDuration(kDefaultTimeouts.connect), "15 s");
    EXPECT_EQ(DescribeDuration(kDefaultTimeouts.stall), "30 s");
    EXPECT_EQ(DescribeDuration(250ms), "250 ms");
    HttpClient client;
    EXPECT_EQ(client.timeouts().connect, 15s);
    EXPECT_EQ(client.timeouts().stall, 30s);
}

TEST(TcpConnection, ClosedConnectionNeedsNoCalls)
{
    TcpConnection connection;
    EXPECT_FALSE(connection.isOpen());
    EXPECT_EQ(connection.close(), 0);
    EXPECT_EQ(connection.sendAll("x", 0), 0);
}

TEST(TcpConnection, UnresolvableNameIsReportedAndLeavesItClosed)
{
    TcpConnection::startSockets();
    TcpConnection connection;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(connection.open("no-such-host.invalid", 80));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Cannot get host information for server no-such-host.invalid\n");
    EXPECT_FALSE(connection.isOpen());
}

TEST(TcpConnection, RefusedConnectionIsReportedWithItsPort)
{
    TcpConnection::startSockets();
    const std::uint16_t port = ClosedPort();
    TcpConnection connection;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(connection.open("127.0.0.1", port));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Cannot connect to 127.0.0.1 on port " + PortText(port) + "\n");
    EXPECT_FALSE(connection.isOpen());
}

TEST(TcpConnection, ReceivesEverythingThenZero)
{
    TcpConnection::startSockets();
    TestHttpServer server(OkReply("body"));
    TcpConnection connection;
    ASSERT_TRUE(connection.open("localhost", server.port()));
    const std::string request = "GET / HTTP/1.1\r\n\r\n";
    EXPECT_EQ(connection.sendAll(request.data(), static_cast<int>(request.size())),
              static_cast<int>(request.size()));

    std::string received;
    char buffer[7];
    int count = 0;
    while ((count = connection.receive(buffer, sizeof buffer)) > 0)
        received.append(buffer, static_cast<std::size_t>(count));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(connection.receive(buffer, sizeof buffer), 0);
    EXPECT_TRUE(received.ends_with("\r\n\r\nbody"));
    EXPECT_EQ(server.lastRequest(), request);
    EXPECT_EQ(connection.close(), 0);
    EXPECT_FALSE(connection.isOpen());
}

TEST(TcpConnection, OpenClosesTheConnectionStillOpen)
{
    TcpConnection::startSockets();
    LoopbackSocket listener = LoopbackSocket::listen(4);
    TcpConnection connection;
    ASSERT_TRUE(connection.open("127.0.0.1", listener.localPort()));
    LoopbackSocket first = listener.accept(2000ms);
    ASSERT_TRUE(first.isOpen());
    ASSERT_TRUE(connection.open("127.0.0.1", listener.localPort()));

    char byte = 0;
    EXPECT_EQ(first.receive(&byte, 1, 2000ms), 0) << "the first connection was left open";
}

TEST(TcpConnection, MovedConnectionHasOneOwner)
{
    TcpConnection::startSockets();
    TestHttpServer server(SilentReply());
    TcpConnection connection;
    ASSERT_TRUE(connection.open("127.0.0.1", server.port()));
    TcpConnection moved(std::move(connection));
    EXPECT_TRUE(moved.isOpen());
    EXPECT_FALSE(connection.isOpen()); // NOLINT(bugprone-use-after-move): moved-from state is specified
    EXPECT_EQ(connection.close(), 0);
    EXPECT_EQ(moved.close(), 0);
}

TEST(TcpConnection, ConnectThatNeverCompletesEndsWithinItsLimit)
{
    TcpConnection::startSockets();
    // A listener that never accepts, with its queue filled: further connects get no answer.
    LoopbackSocket listener = LoopbackSocket::listen(0);
    std::vector<LoopbackSocket> waiting;
    for (int i = 0; i < 4; ++i)
        waiting.push_back(LoopbackSocket::startConnect(listener.localPort()));
    std::this_thread::sleep_for(200ms);

    TcpConnection connection;
    connection.setTimeouts(kShort);
    testing::internal::CaptureStderr();
    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(connection.open("127.0.0.1", listener.localPort()));
    const auto elapsed = Clock::now() - start;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Cannot connect to 127.0.0.1 on port " + PortText(listener.localPort()) + " within 1 s\n");
    EXPECT_GE(elapsed, kShort.connect - 50ms);
    EXPECT_LT(elapsed, kShort.connect + 1s);
    EXPECT_FALSE(connection.isOpen());
}

TEST(TcpConnection, SilentPeerEndsReceiveWithinTheStallLimit)
{
    TcpConnection::startSockets();
    TestHttpServer server(SilentReply());
    TcpConnection connection;
    connection.setTimeouts(kShort);
    ASSERT_TRUE(connection.open("127.0.0.1", server.port()));

    testing::internal::CaptureStderr();
    const Clock::time_point start = Clock::now();
    char buffer[16];
    EXPECT_EQ(connection.receive(buffer, sizeof buffer), -1);
    const auto elapsed = Clock::now() - start;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Nothing received from 127.0.0.1 on port " + PortText(server.port()) + " for 500 ms\n");
    EXPECT_GE(elapsed, kShort.stall - 50ms);
    EXPECT_LT(elapsed, kShort.stall + 1s);
}

TEST(TcpConnection, PeerThatNeverReadsEndsSendWithinTheStallLimit)
{
    TcpConnection::startSockets();
    TestHttpServer server(DeafReply());
    TcpConnection connection;
    connection.setTimeouts(kShort);
    ASSERT_TRUE(connection.open("127.0.0.1", server.port()));

    // Far more than the socket buffers of both ends hold.
    const std::string bytes(64 * 1024 * 1024, 'x');
    testing::internal::CaptureStderr();
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(connection.sendAll(bytes.data(), static_cast<int>(bytes.size())), -1);
    const auto elapsed = Clock::now() - start;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "No progress sending to 127.0.0.1 on port " + PortText(server.port()) + " for 500 ms\n");
    EXPECT_LT(elapsed, kShort.stall + 1s);
}

} // namespace
