// POSIX only: a fresh install of 2,000 files of 4 KiB from jobgate (FastCGI under
// lighttpd) by the client's update run (the real brenhold program), with one transfer and
// with the default number at once, directly and through a relay that makes the round
// trip 30 ms; beside it curl fetching the same files from lighttpd's static handler over
// one kept-alive connection into 2,000 new files, and the default run against jobgate as
// CGI program. Prints the times and their ratios.
#include "FreshInstall.h"
#include "LatencyRelay.h"
#include "LighttpdServer.h"
#include "SignedRepository.h"
#include "TempDir.h"
#include "update/ParallelDownloads.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 2000;
constexpr std::size_t kFileSize = 4096;
constexpr int kRuns = 3;

// lighttpd serving folder as plain static files on a free loopback port, for curl.
class StaticServer {
public:
    StaticServer(const fs::path& folder, const fs::path& work) : port_(FreeLoopbackPort())
    {
        const fs::path config = work / "static.conf";
        std::ofstream(config) << "server.document-root = \"" << folder.string() << "\"\n"
                              << "server.bind = \"127.0.0.1\"\nserver.port = " << port_ << "\n"
                              << "server.max-keep-alive-requests = " << kFiles + 10 << "\n";
        const int port = port_;
        process_.start({"/usr/sbin/lighttpd", "-D", "-f", config.string()}, {},
                       [port] { return LoopbackPortAnswers(port); });
    }

    bool running() const { return process_.running(); }
    int port() const { return port_; }

private:
    int port_;
    ServerProcess process_;
};

// One fresh install with that many transfers; its wall-clock seconds, or -1.
double InstallOnce(FreshInstalls& installs, const std::string& transfers, const std::string& server)
{
    const FreshInstalls::Result result = installs.installOnce(transfers, server);
    if (!result.ok()) {
        std::fprintf(stderr, "parallel install: brenhold with %s transfer(s) failed (exit %d, %zu files)\n",
                     transfers.c_str(), result.exitCode, result.installed);
        return -1;
    }
    return result.seconds;
}

} // namespace

int main()
{
    TempDir base;
    const fs::path repository = base.path() / "repo";
    if (!MakeSmallFiles(repository / "Viele", kFiles, kFileSize) || !SignProduct(repository.string(), "Viele")) {
        std::fprintf(stderr, "parallel install: cannot make the repository below %s\n", base.str().c_str());
        return 1;
    }
    FreshInstalls setup(base.path(), "Viele", kFiles, kFileSize);

    // curl's list: every file once, over one connection, into the folder of the run.
    {
        std::ofstream list(base.path() / "curl.list");
        for (int i = 0; i < kFiles; ++i)
            list << "output = \"f" << i << "\"\n";
    }

    ::sync();
    LighttpdServer server(repository.string(), true, true);
    LighttpdServer cgiServer(repository.string());
    StaticServer statics(repository / "Viele", base.path());
    if (!server.running() || !cgiServer.running() || !statics.running()) {
        std::fprintf(stderr, "parallel install: the servers did not start\n");
        return 1;
    }
    {
        std::ofstream list(base.path() / "curl.list", std::ios::app);
        for (int i = 0; i < kFiles; ++i)
            list << "url = \"http://127.0.0.1:" << statics.port() << "/" << SmallFileName(i) << "\"\n";
    }

    std::vector<double> curlTimes;
    std::vector<double> oneTimes;
    std::vector<double> defaultTimes;
    std::vector<double> cgiTimes;
    for (int run = 0; run < kRuns; ++run) {
        const fs::path byCurl = base.path() / ("curl" + std::to_string(run));
        fs::create_directories(byCurl);
        const MeasuredRun curl = RunMeasured({"/usr/bin/curl", "-s", "-f", "--output-dir", byCurl.string(),
                                              "--config", (base.path() / "curl.list").string()});
        if (curl.exitCode != 0 || fs::file_size(byCurl / ("f" + std::to_string(kFiles - 1))) != kFileSize) {
            std::fprintf(stderr, "parallel install: curl failed (exit %d)\n", curl.exitCode);
            return 1;
        }
        curlTimes.push_back(curl.seconds);
        const double one = InstallOnce(setup, "1", server.hostPort());
        const double several = InstallOnce(setup, "", server.hostPort());
        const double cgi = InstallOnce(setup, "", cgiServer.hostPort());
        if (one < 0 || several < 0 || cgi < 0)
            return 1;
        oneTimes.push_back(one);
        defaultTimes.push_back(several);
        cgiTimes.push_back(cgi);
    }
    const double curlMedian = Median(curlTimes);
    const double oneMedian = Median(oneTimes);
    const double defaultMedian = Median(defaultTimes);
    const double cgiMedian = Median(cgiTimes);
    std::printf(
        "parallel install, %d files of 4 KiB, 0 ms round trip, median of %d: brenhold (FastCGI) 1 transfer %.2f s, "
        "default (%d) %.2f s; curl static keep-alive into new files %.2f s; default/curl %.2f (goal at most 1.5); "
        "brenhold (CGI) default %.2f s, CGI/curl %.2f\n",
        kFiles, kRuns, oneMedian, kDefaultTransfers, defaultMedian, curlMedian, defaultMedian / curlMedian, cgiMedian,
        cgiMedian / curlMedian);

    // Over the slow link one run each: with one transfer it takes minutes.
    LatencyRelay relay(static_cast<std::uint16_t>(server.port()), std::chrono::milliseconds(15));
    if (!relay.running()) {
        std::fprintf(stderr, "parallel install: the relay did not start\n");
        return 1;
    }
    const std::string slow = "127.0.0.1:" + std::to_string(relay.port());
    const double slowDefault = InstallOnce(setup, "", slow);
    const double slowOne = InstallOnce(setup, "1", slow);
    if (slowOne < 0 || slowDefault < 0)
        return 1;
    std::printf(
        "parallel install, %d files of 4 KiB, %lld ms round trip: brenhold 1 transfer %.2f s, default (%d) "
        "%.2f s; 1/default %.2f (goal at least 4)\n",
        kFiles, static_cast<long long>(relay.roundTrip().count()), slowOne, kDefaultTransfers, slowDefault,
        slowOne / slowDefault);
    return 0;
}
