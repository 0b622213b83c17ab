// The exact bytes the client puts on the wire, as a loopback server records them.
#include "net/CommandClient.h"
#include "net/HttpClient.h"
#include "net/UpdateServer.h"
#include "text/Field.h"

#include "support/Environment.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kAgent =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; .NET CLR 1.1.4322)\r\n";

std::string Port(const TestHttpServer& server)
{
    return std::to_string(server.port());
}

// A client aimed at the server directly.
void AimAt(HttpClient& client, const TestHttpServer& server, const std::string& path)
{
    client.host = "127.0.0.1";
    client.port = server.port();
    client.path = path;
}

// A client that reaches host through the server acting as proxy.
void AimThroughProxy(HttpClient& client, const TestHttpServer& server, const std::string& host, int port)
{
    client.host = host;
    client.port = port;
    client.path = "/files/list.txt";
    client.proxyHost = "127.0.0.1";
    client.proxyPort = server.port();
}

TEST(HttpRequest, GetWithDefaults)
{
    TestHttpServer server;
    HttpClient client;
    AimAt(client, server, "/index.html");
    EXPECT_EQ(client.perform(), 0);
    EXPECT_EQ(server.lastRequest(), "GET /index.html HTTP/1.1\r\nAccept: */*\r\nAccept-Language: de\r\n" +
                                        kAgent + "Host: 127.0.0.1:" + Port(server) +
                                        "\r\nConnection: Close\r\n\r\n");
}

TEST(HttpRequest, ProxyFormNamesTheHostAloneOnPort80)
{
    TestHttpServer server;
    HttpClient client;
    AimThroughProxy(client, server, "updates.example", 80);
    EXPECT_EQ(client.perform(), 0);
    EXPECT_EQ(server.lastRequest(), "GET http://updates.example/files/list.txt HTTP/1.1\r\nAccept: */*\r\n"
                                    "Accept-Language: de\r\n" +
                                        kAgent + "Host: updates.example\r\nConnection: Close\r\n\r\n");
}

TEST(HttpRequest, HttpsLeavesOutOnlyItsOwnDefaultPort)
{
    HttpClient client;
    // Moved in rather than assigned from the literals, which GCC 12 for MinGW takes for an
    // overlapping copy (a false restrict warning).
    client.host = std::string("updates.example");
    client.path = std::string("/");
    client.secure = true;
    const struct {
        int port;
        const char* hostLine;
    } cases[] = {{443, "\r\nHost: updates.example\r\n"},
                 {80, "\r\nHost: updates.example:80\r\n"},
                 {8443, "\r\nHost: updates.example:8443\r\n"}};
    for (const auto& c : cases) {
        client.port = c.port;
        EXPECT_NE(client.request().find(c.hostLine), std::string::npos) << client.request();
    }
}

TEST(HttpRequest, HostHeaderCarriesAnyOtherPort)
{
    TestHttpServer server;
    HttpClient client;
    AimThroughProxy(client, server, "updates.example", 8080);
    EXPECT_EQ(client.perform(), 0);
    EXPECT_NE(server.lastRequest().find("\r\nHost: updates.example:8080\r\n"), std::string::npos);
}

TEST(HttpRequest, RefererAndBody)
{
    TestHttpServer server;
    HttpClient client;
    AimAt(client, server, "/form");
    client.method = "PUT";
    client.referer = "http://velmora.example/start";
    client.requestBody = "a=1";
    EXPECT_EQ(client.perform(), 0);
    EXPECT_EQ(server.lastRequest(),
              "PUT /form HTTP/1.1\r\nAccept: */*\r\nReferer: http://velmora.example/start\r\n"
              "Accept-Language: de\r\n" +
                  kAgent + "Host: 127.0.0.1:" + Port(server) +
                  "\r\nConnection: Close\r\nContent-Length: 3\r\n"
                  "Content-Type: text/plain\r\n\r\na=1");
}

TEST(HttpRequest, BodyWithZeroBytesIsSentWhole)
{
    TestHttpServer server;
    HttpClient client;
    AimAt(client, server, "/");
    client.requestBody = std::string("a\0b", 3);
    EXPECT_EQ(client.perform(), 0);
    EXPECT_TRUE(server.lastRequest().ends_with(
        std::string("Content-Length: 3\r\nContent-Type: text/plain\r\n\r\na\0b", 50)));
}

TEST(HttpRequest, CommandPostOnTheConfiguredServer)
{
    TestHttpServer server(OkReply("reply"));
    SetEnvironment("BRENHOLD_UPDATE_SERVER", "127.0.0.1:" + Port(server));
    serverHost.clear();
    CommandClient client(15);
    WriteField(client.commandStream, "P");
    EXPECT_EQ(client.postCommand(), "reply");
    EXPECT_EQ(serverHost, "127.0.0.1");
    EXPECT_EQ(server.lastRequest(),
              "POST /cgi-bin/jobgate.cgi HTTP/1.1\r\nAccept: text/plain\r\nAccept-Language: de\r\n" + kAgent +
                  "Host: 127.0.0.1:" + Port(server) +
                  "\r\nConnection: Close\r\nContent-Length: 7\r\nContent-Type: text/plain\r\n"
                  "\r\n\x30\x20\x31\x35\x20\x50\x03");
}

TEST(HttpRequest, PictureWithoutFieldsSendsThePlainRequest)
{
    TestHttpServer server;
    HttpClient client;
    AimAt(client, server, "/");
    client.picture << "JPEG";
    EXPECT_EQ(client.perform(), 0);
    EXPECT_EQ(server.lastRequest().find("JPEG"), std::string::npos);
    EXPECT_TRUE(server.lastRequest().ends_with("Connection: Close\r\n\r\n"));
}

} // namespace
