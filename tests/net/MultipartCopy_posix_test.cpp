// On POSIX no copy of multipart bodies is written, not even below a folder named "c:".
#include "net/HttpClient.h"

#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(MultipartCopy, NoCopyIsWritten)
{
    const fs::path previous = fs::current_path();
    const fs::path folder = fs::temp_directory_path() / ("multipart-copy-" + std::to_string(::getpid()));
    fs::create_directories(folder / "c:");
    fs::current_path(folder);

    TestHttpServer server;
    HttpClient client;
    client.host = "127.0.0.1";
    client.port = server.port();
    client.path = "/upload";
    client.method = "POST";
    client.formFields = {{"a", "1"}};
    EXPECT_EQ(client.perform(), 0);
    EXPECT_FALSE(fs::exists("c:/Header.hex"));

    fs::current_path(previous);
    fs::remove_all(folder);
}

} // namespace
