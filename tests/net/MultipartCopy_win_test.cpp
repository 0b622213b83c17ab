// The copy of the last multipart body that is kept for diagnosis on Windows.
#include "net/HttpClient.h"

#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

TEST(MultipartCopy, BodyIsCopiedToTheDiagnosticFile)
{
    std::remove("c:/Header.hex");
    TestHttpServer server;
    HttpClient client;
    client.host = "127.0.0.1";
    client.port = server.port();
    client.path = "/upload";
    client.method = "POST";
    client.formFields = {{"a", std::string("1\0\xFF\r\n", 5)}};
    EXPECT_EQ(client.perform(), 0);

    const std::string request = server.lastRequest();
    const std::string body = request.substr(request.find("\r\n\r\n") + 4);
    std::ifstream copy("c:/Header.hex", std::ios::binary);
    std::ostringstream content;
    content << copy.rdbuf();
    EXPECT_EQ(content.str(), body);
}

} // namespace
