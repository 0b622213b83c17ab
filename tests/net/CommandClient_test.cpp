#include "net/CommandClient.h"
#include "net/Proxy.h"
#include "net/UpdateServer.h"
#include "text/Field.h"

#include "support/Environment.h"
#include "support/LoopbackSocket.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string BodyOf(const std::string& request)
{
    const std::size_t end = request.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : request.substr(end + 4);
}

// The host name is taken once a process: each test starts from none.
void UseServer(const std::string& address)
{
    SetEnvironment("BRENHOLD_UPDATE_SERVER", address);
    serverHost.clear();
}

void UseServer(const TestHttpServer& server)
{
    UseServer("127.0.0.1:" + std::to_string(server.port()));
}

TEST(CommandClient, ConstructorsOpenTheCommandText)
{
    EXPECT_EQ(CommandClient().commandStream.str(), "");
    EXPECT_EQ(CommandClient(15).commandStream.str(), "0 15 ");
}

TEST(CommandClient, ReplyBecomesTheStreamReadFromItsStart)
{
    TestHttpServer server(OkReply("42 \xE4ltere\x03"));
    UseServer(server);
    CommandClient client(15);
    WriteField(client.commandStream, "Corvid");
    EXPECT_EQ(client.postCommand(), "42 \xE4ltere\x03");

    int number = 0;
    client.commandStream >> number;
    EXPECT_EQ(number, 42);
    std::string field;
    client.commandStream.get();
    ReadField(client.commandStream, field);
    EXPECT_EQ(field, "\xE4ltere");

    // The fields set for the exchange keep their values.
    EXPECT_EQ(client.method, "POST");
    EXPECT_EQ(client.accept, "text/plain");
    EXPECT_EQ(client.path, "/cgi-bin/jobgate.cgi");
    EXPECT_EQ(client.port, server.port());
}

TEST(CommandClient, ExchangeLeavesTheReplyInTheBodyOnly)
{
    TestHttpServer server(OkReply("listing"));
    UseServer(server);
    CommandClient client(15);
    WriteField(client.commandStream, "P");
    client.exchangeCommand();
    EXPECT_EQ(client.body(), "listing");
    EXPECT_EQ(client.commandStream.str(), "0 15 P\x03");
    EXPECT_EQ(BodyOf(server.lastRequest()), "0 15 P\x03");
}

TEST(CommandClient, ResetCommandDiscardsThePreviousReply)
{
    TestHttpServer server(OkReply("listing"));
    UseServer(server);
    CommandClient client(15);
    WriteField(client.commandStream, "P");
    client.postCommand();
    client.resetCommand(16);
    WriteField(WriteField(client.commandStream, "P"), "./a.exe");
    client.postCommand();
    EXPECT_EQ(BodyOf(server.lastRequest()), "0 16 P\x03./a.exe\x03");
}

TEST(CommandClient, ServerWithoutPortIsAskedOnPort80)
{
    // The test server stands in as proxy, so the request can name port 80 without a
    // connection to it.
    TestHttpServer proxy(OkReply("ok"));
    UseServer("updates.velmora.example");
    CommandClient client(15);
    client.proxyHost = "127.0.0.1";
    client.proxyPort = proxy.port();
    EXPECT_EQ(client.postCommand(), "ok");
    EXPECT_EQ(client.port, 80);
    EXPECT_TRUE(proxy.lastRequest().starts_with(
        "POST http://updates.velmora.example/cgi-bin/jobgate.cgi HTTP/1.1\r\n"));
    EXPECT_NE(proxy.lastRequest().find("\r\nHost: updates.velmora.example\r\n"), std::string::npos);
}

TEST(CommandClient, AProxyThatAsksForAuthenticationIsNamedWithWhatTheClientCannotAnswer)
{
    const struct {
        const char* server;
        const char* answered; // what the diagnostic says the proxy answered
    } cases[] = {
        {"updates.velmora.example", "answered with status 407"},
        {"https://updates.velmora.example", "answered CONNECT to updates.velmora.example:443 with status 407"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server);
        TestHttpServer proxy(StatusReply(407, "Proxy Authentication Required", "anmelden"));
        UseServer(c.server);
        CommandClient client(15);
        client.proxyHost = "127.0.0.1";
        client.proxyPort = proxy.port();
        testing::internal::CaptureStderr();
        client.postCommand();
        const std::string diagnostics = testing::internal::GetCapturedStderr();
        EXPECT_EQ(client.statusCode(), 407);
        const std::string line = "The proxy 127.0.0.1 on port " + std::to_string(proxy.port()) + " " + c.answered +
                                 ": " + ProxyAuthenticationNote({"127.0.0.1", proxy.port(), ""});
        EXPECT_NE(diagnostics.find(line + "\n"), std::string::npos) << diagnostics;
    }
}

TEST(CommandClient, FailedExchangeGivesAnEmptyReply)
{
    std::uint16_t port = 0;
    {
        LoopbackSocket probe = LoopbackSocket::listen(1);
        port = probe.localPort();
    }
    UseServer("127.0.0.1:" + std::to_string(port));
    CommandClient client(15);
    testing::internal::CaptureStderr();
    EXPECT_EQ(client.postCommand(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Cannot connect to 127.0.0.1 on port " + std::to_string(port) + "\n");
    std::string rest;
    client.commandStream >> rest;
    EXPECT_EQ(rest, "");
}

} // namespace
