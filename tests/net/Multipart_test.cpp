// The multipart/form-data request on the wire, and the diagnostic copy of its body.
#include "net/HttpClient.h"
#include "text/FormatString.h"

#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <string>

namespace {

void AimAt(HttpClient& client, const TestHttpServer& server)
{
    client.host = "127.0.0.1";
    client.port = server.port();
    client.path = "/upload";
    client.method = "POST";
}

std::string Port(const TestHttpServer& server)
{
    return std::to_string(server.port());
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

TEST(Multipart, OneField)
{
    TestHttpServer server;
    HttpClient client;
    AimAt(client, server);
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

TEST(Multipart, FieldsAndPicture)
{
    TestHttpServer server;
    HttpClient client;
    AimAt(client, server);
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

} // namespace
