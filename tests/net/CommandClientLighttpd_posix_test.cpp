// The work-script exchange against the real update server: jobgate under lighttpd.
#include "LighttpdServer.h"
#include "TempDir.h"
#include "TestCertificates.h"
#include "filetree/FileTree.h"
#include "net/CommandClient.h"
#include "net/TcpConnection.h"
#include "net/UpdateServer.h"
#include "support/ScopedEnvironment_posix.h"
#include "text/Field.h"
#include "text/StringUtil.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

namespace fs = std::filesystem;

struct ServedFile {
    std::uint32_t time;
    std::string bytes;
};

TEST(CommandClientAgainstJobgate, ReadsTheListingOfTheFilesTheServerHolds)
{
    TempDir base;
    // Listed path (Windows-1252) to what the server's disk holds under its UTF-8 name.
    const std::map<std::string, std::pair<std::string, ServedFile>> files = {
        {"./Corvid.exe", {"Corvid.exe", {1300000000, "MZ"}}},
        {"./Hilfe/\xDC"
         "ber.txt",
         {"Hilfe/\xC3\x9C"
          "ber.txt",
          {1300000001, std::string(5000, 'h')}}},
        {"./a/b/c.bin", {"a/b/c.bin", {1300000002, ""}}},
    };
    for (const auto& [listed, disk] : files) {
        const fs::path file = base.path() / "Corvid" / disk.first;
        ASSERT_TRUE(WriteFileBytes(file, disk.second.bytes));
        fs::last_write_time(file, fs::file_time_type::clock::from_sys(
                                      std::chrono::sys_seconds(std::chrono::seconds(disk.second.time))));
    }
    LighttpdServer server(base.str());
    ASSERT_TRUE(server.running());
    ScopedEnvironment environment;
    environment.set("BRENHOLD_UPDATE_SERVER", server.hostPort());
    serverHost.clear(); // taken once a process: another test may have named another host

    CommandClient client(15);
    WriteField(client.commandStream, "Corvid");
    FileTree tree;
    tree.readListing(client.postCommand());
    EXPECT_EQ(client.statusCode(), 200);

    ASSERT_EQ(tree.rowCount(), files.size());
    std::map<std::string, std::pair<std::uint32_t, std::uint32_t>> listed;
    while (const FileTreeRow* row = tree.nextRow()) {
        ASSERT_EQ(row->valueCount(), 3u);
        listed[row->valueAt(0)->Text()] = {ToUnsigned(row->valueAt(1)->Text()),
                                           ToUnsigned(row->valueAt(2)->Text())};
    }
    for (const auto& [path, disk] : files) {
        SCOPED_TRACE(path);
        ASSERT_EQ(listed.count(path), 1u);
        EXPECT_EQ(listed[path].first, disk.second.time);
        EXPECT_EQ(listed[path].second, disk.second.bytes.size());
    }
}

} // namespace

namespace {

// Sends a request over an open connection and reads the answer to its end.
std::string Exchange(TcpConnection& connection)
{
    const std::string request = "GET /index.html HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    EXPECT_EQ(connection.sendAll(request.data(), static_cast<int>(request.size())),
              static_cast<int>(request.size()));
    std::string answer;
    char block[4096];
    for (int count; (count = connection.receive(block, sizeof block)) > 0;)
        answer.append(block, static_cast<std::size_t>(count));
    return answer;
}

TEST(TlsToJobgate, TheNextConnectionTakesUpTheSessionOfTheOneBefore)
{
    TestCertificates certificates;
    ASSERT_TRUE(certificates.ok());
    const ServerCertificate certificate = certificates.server(TestCertificates::Kind::good);
    TempDir base;
    LighttpdServer server(base.str(), true, false, {certificate.certFile, certificate.keyFile, ""});
    ASSERT_TRUE(server.running());
    const TlsTrust trust{certificates.caPem()};
    const auto port = static_cast<std::uint16_t>(server.port());

    std::string failure;
    TcpConnection first;
    ASSERT_TRUE(first.open("127.0.0.1", port));
    ASSERT_TRUE(first.startTls("127.0.0.1", port, trust, failure)) << failure;
    EXPECT_FALSE(first.tlsResumed());
    EXPECT_EQ(Exchange(first).rfind("HTTP/1.1 404", 0), 0u);
    first.close();

    TcpConnection second;
    ASSERT_TRUE(second.open("127.0.0.1", port));
    ASSERT_TRUE(second.startTls("127.0.0.1", port, trust, failure)) << failure;
    EXPECT_TRUE(second.tlsResumed());
    EXPECT_EQ(Exchange(second).rfind("HTTP/1.1 404", 0), 0u);
}

} // namespace
