// The exact bytes the client puts on the wire, as a loopback server records them.
#include "net/CommandClient.h"
#include "net/HttpClient.h"
#include "net/UpdateServer.h"
#include "text/Field.h"
#include "text/FormatString.h"

#include "support/Environment.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <ctime>
#include <regex>
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

// Splits a multipart request into its boundary and body; checks the header around them.
struct Multipart {
    std::string boundary;
    std::string body;
};

Multipart SplitMultipart(const std::string& request, const std::string& port)
{
    const std::regex header("POST /upload HTTP/1\\.1\r\nAccept: \\*/\\*\r\nAccept-Language: de\r\n"
                            "User-Agent: [^\r]*\r\nHost: 127\\.0\\.0\\.1:" +
                            port +
                            "\r\nConnection: Close\r\nContent-Length: ([0-9]+)\r\nContent-Type: "
                            "multipart/form-data; boundary=(-{18}[0-9A-F]{8})\r\n\r\n");
    std::smatch match;
    if (!std::regex_search(request, match, header, std::regex_constants::match_continuous))
        return {};
    const std::string body = request.substr(static_cast<std::size_t>(match.length(0)));
    if (std::to_string(body.size()) != match[1].str())
        return {};
    return {match[2].str(), body};
}

bool MadeDuring(const std::string& boundary, std::time_t from, std::time_t to)
{
    for (std::time_t t = from; t <= to; ++t)
        if (boundary == "------------------" + RandomHexTokenAt(t))
            return true;
    return false;
}

TEST(HttpRequest, MultipartWithOneField)
{
    TestHttpServer server;
    HttpClient client;
    AimAt(client, server, "/upload");
    client.method = "POST";
    client.requestBody = "ignored";
    client.formFields = {{"a", "1"}};
    const std::time_t before = std::time(nullptr);
    EXPECT_EQ(client.perform(), 0);
    const std::time_t after = std::time(nullptr);

    const Multipart sent = SplitMultipart(server.lastRequest(), Port(server));
    ASSERT_FALSE(sent.boundary.empty()) << server.lastRequest();
    EXPECT_TRUE(MadeDuring(sent.boundary, before, after));
    const std::string& b = sent.boundary;
    EXPECT_EQ(sent.body, b + "\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n" + b + "\r\n\r\n");
}

TEST(HttpRequest, MultipartWithFieldsAndPicture)
{
    TestHttpServer server;
    HttpClient client;
    AimAt(client, server, "/upload");
    client.method = "POST";
    client.formFields = {{"name", "Jörg"}, {"empty", ""}};
    const std::string picture("\xFF\xD8\x00\r\n\xFF\xD9", 7);
    client.picture << picture;
    EXPECT_EQ(client.perform(), 0);

    const Multipart sent = SplitMultipart(server.lastRequest(), Port(server));
    ASSERT_FALSE(sent.boundary.empty()) << server.lastRequest();
    const std::string& b = sent.boundary;
    EXPECT_EQ(sent.body,
              b + "\r\nContent-Disposition: form-data; name=\"name\"\r\n\r\nJörg\r\n" + b +
                  "\r\nContent-Disposition: form-data; name=\"empty\"\r\n\r\n\r\n" + b +
                  "\r\nContent-Disposition: file; filename=\"bild.jpg\"\r\nContent-Type: image/jpg\r\n"
                  "Content-Transfer-Encoding: binary\r\n" +
                  picture + "\r\n" + b + "\r\n\r\n");
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
