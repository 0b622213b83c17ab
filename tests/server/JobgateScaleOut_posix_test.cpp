// Scale-out: two jobgate FastCGI servers behind nginx as the load balancer, many Linux
// clients installing through a slow link at once, and one back end killed in the middle of
// the run. nginx passes the requests the dead back end cannot take to the other one, so
// every client ends with a correct installation.
#include "ChildProcess.h"
#include "JobgateSites.h"
#include "LatencyRelay.h"
#include "SignedRepository.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kClients = 32;
constexpr int kAtOnce = 8;
constexpr int kKilledAfter = 8; // clients finished when the first back end is killed

std::string Bytes(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
    }
    return bytes;
}

TEST(JobgateScaleOut, EveryClientInstallsWhileABackEndIsKilled)
{
    if (!NginxServer::installed())
        GTEST_SKIP() << "nginx is not installed";
    TempDir base;
    const std::string root = base / "repo";
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 12; ++i)
        files.push_back({"Daten/Teil" + std::to_string(i) + ".bin", Bytes(1000u << (i % 9), 7u + i)});
    files.push_back({"start.sh", "#!/bin/sh\nexit 0\n"});
    for (const auto& [path, bytes] : files)
        ASSERT_TRUE(WriteFileBytes(fs::path(root) / "Corvid" / path, bytes));
    ASSERT_TRUE(SignProduct(root, "Corvid"));

    JobgateFastCgiServer first({}, JobgateFastCgiServer::Socket::Tcp);
    JobgateFastCgiServer second({}, JobgateFastCgiServer::Socket::Tcp);
    ASSERT_TRUE(first.running() && second.running());
    const std::string upstreamLog = base / "upstreams.log";
    NginxServer balancer("  upstream jobgate {\n    server " + first.address() + " max_fails=1 fail_timeout=30s;\n" +
                             "    server " + second.address() + " max_fails=1 fail_timeout=30s;\n  }\n" +
                             "  log_format upstreams '$upstream_addr $status';\n",
                         "    access_log " + upstreamLog + " upstreams;\n" + NginxJobgateLocations(root, "jobgate", true));
    ASSERT_TRUE(balancer.running()) << balancer.errorLog();
    LatencyRelay link(static_cast<std::uint16_t>(balancer.port()), 5ms);
    ASSERT_TRUE(link.running());

    std::atomic<int> nextClient{0};
    std::atomic<int> finished{0};
    std::mutex resultsLock;
    std::vector<std::pair<int, ProcessResult>> results;
    const auto runClients = [&] {
        for (int client = nextClient++; client < kClients; client = nextClient++) {
            const fs::path home = base.path() / ("client" + std::to_string(client));
            WriteFileBytes(home / "config" / "Velmora" / "Brenhold.ini",
                           "[MainDirPath]\nCorvid=" + (home / "Corvid").string() + "\n");
            ProcessResult result = RunProcess({BRENHOLD_CLIENT_BIN, "Corvid"},
                                              {{"XDG_CONFIG_HOME", (home / "config").string()},
                                               {"XDG_DATA_HOME", ""},
                                               {"HOME", home.string()},
                                               {"BRENHOLD_UPDATE_SERVER", "127.0.0.1:" + std::to_string(link.port())}},
                                              "", 60s);
            ++finished;
            const std::lock_guard<std::mutex> lock(resultsLock);
            results.push_back({client, std::move(result)});
        }
    };
    std::vector<std::thread> runners;
    for (int i = 0; i < kAtOnce; ++i)
        runners.emplace_back(runClients);
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (finished < kKilledAfter && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    ::kill(first.pid(), SIGKILL); // no goodbye: requests in its queue are lost with it
    for (std::thread& runner : runners)
        runner.join();
    first.stop();

    ASSERT_EQ(results.size(), static_cast<std::size_t>(kClients));
    for (const auto& [client, result] : results) {
        SCOPED_TRACE("client " + std::to_string(client));
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const fs::path installed = base.path() / ("client" + std::to_string(client)) / "Corvid";
        for (const auto& [path, bytes] : files)
            EXPECT_TRUE(ReadFileBytes(installed / path) == bytes) << path << "\n" << result.out << result.err;
    }

    // Both back ends served, and a request nginx sent to the killed one went on to the other.
    const std::string log = ReadFileBytes(upstreamLog);
    EXPECT_NE(log.find(first.address() + " 200"), std::string::npos);
    EXPECT_NE(log.find(second.address() + " 200"), std::string::npos);
    EXPECT_NE(log.find(first.address() + ", " + second.address() + " 200"), std::string::npos) << log;
}

// The caching set-up of the README: answers kept by nginx for a while, keyed by the command
// text; requests with a Range are never cached, and their Range is passed on explicitly
// (with a cache nginx passes none of its own).
TEST(JobgateScaleOut, ACachingFrontAnswersListingsWhileItsBackEndIsDown)
{
    if (!NginxServer::installed())
        GTEST_SKIP() << "nginx is not installed";
    TempDir base;
    const std::string root = base / "repo";
    ASSERT_TRUE(WriteFileBytes(fs::path(root) / "Corvid" / "start.sh", "#!/bin/sh\n"));
    ASSERT_TRUE(SignProduct(root, "Corvid"));
    JobgateFastCgiServer backEnd({}, JobgateFastCgiServer::Socket::Tcp);
    ASSERT_TRUE(backEnd.running());
    std::string locations = NginxJobgateLocations(root, backEnd.address(), true);
    const std::string cache = "    client_body_buffer_size 16k;\n"
                              "    fastcgi_cache jobgate;\n"
                              "    fastcgi_cache_methods POST;\n"
                              "    fastcgi_cache_key $request_body;\n"
                              "    fastcgi_cache_valid 200 30s;\n"
                              "    fastcgi_no_cache $http_range;\n"
                              "    fastcgi_cache_bypass $http_range;\n"
                              "    fastcgi_param HTTP_RANGE $http_range;\n";
    locations.insert(locations.find("    fastcgi_pass"), cache);
    NginxServer front("  fastcgi_cache_path " + (base / "cache") + " keys_zone=jobgate:1m;\n", locations);
    ASSERT_TRUE(front.running()) << front.errorLog();

    const auto post = [&](const std::string& command, const std::vector<std::string>& headers = {}) {
        std::vector<std::string> argv = {"/usr/bin/curl", "-sS", "--max-time", "20", "-o", "-", "-w", " %{http_code}"};
        for (const std::string& header : headers)
            argv.insert(argv.end(), {"-H", header});
        argv.insert(argv.end(), {"--data-binary", "@-", "http://" + front.hostPort() + "/cgi-bin/jobgate.cgi"});
        return RunProcess(argv, {}, command).out;
    };
    const std::string listCommand = std::string("0 15 Corvid\x03");
    const std::string fileCommand = std::string("0 16 Corvid\x03./start.sh\x03");
    const std::string listing = post(listCommand);
    ASSERT_TRUE(listing.ends_with(" 200")) << listing;
    EXPECT_EQ(post(fileCommand, {"Range: bytes=2-"}), "/bin/sh\n 206");

    backEnd.stop();
    EXPECT_EQ(post(listCommand), listing);
    EXPECT_EQ(post(fileCommand, {"Range: bytes=2-"}).substr(0, 4), "<htm") << "a part is never cached";
}

} // namespace
