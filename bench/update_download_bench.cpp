// POSIX only: one 1 GiB file fetched from jobgate under lighttpd (X-Sendfile on), by the
// client's update run (the real brenhold program) and by curl, alternating. Prints the
// median times, their ratio and the client's peak resident memory.
#include "LighttpdServer.h"
#include "MeasuredRun.h"
#include "TempDir.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kFileSize = 1024ull * 1024 * 1024;
constexpr int kRuns = 5;

bool WriteBigFile(const fs::path& file)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    std::string block(1024 * 1024, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * 7919) >> 3);
    for (std::uintmax_t written = 0; out && written < kFileSize; written += block.size()) {
        block[0] = static_cast<char>(written >> 20); // no two blocks alike
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    return static_cast<bool>(out.flush());
}

std::uintmax_t SizeOf(const fs::path& file)
{
    std::error_code error;
    const std::uintmax_t size = fs::file_size(file, error);
    return error ? 0 : size;
}

} // namespace

int main()
{
    TempDir base;
    const fs::space_info space = fs::space(base.path());
    if (space.available < 3 * kFileSize) {
        std::printf("update download: skipped, %.1f GiB free in %s, 3 GiB needed\n",
                    static_cast<double>(space.available) / kFileSize, base.str().c_str());
        return 0;
    }
    const fs::path repository = base.path() / "repo";
    const fs::path main = base.path() / "Haupt";
    const fs::path byCurl = base.path() / "curl.bin";
    if (!WriteBigFile(repository / "Gross" / "gross.bin")) {
        std::fprintf(stderr, "update download: cannot write the 1 GiB file below %s\n", base.str().c_str());
        return 1;
    }
    fs::create_directories(base.path() / "config" / "Velmora");
    std::ofstream(base.path() / "config" / "Velmora" / "Brenhold.ini")
        << "[MainDirPath]\nGross=" << main.string() << "\n";
    std::ofstream(base.path() / "command") << std::string("0 16 Gross\x03./gross.bin\x03");
    fs::create_directories(base.path() / "home");

    ::sync(); // the files just written are not flushed while the runs are timed
    LighttpdServer server(repository.string(), true);
    if (!server.running()) {
        std::fprintf(stderr, "update download: the update server did not start\n");
        return 1;
    }
    const EnvironmentOverrides environment = {{"XDG_CONFIG_HOME", (base.path() / "config").string()},
                                              {"HOME", (base.path() / "home").string()},
                                              {"BRENHOLD_UPDATE_SERVER", server.hostPort()}};
    const std::vector<std::string> client = {BRENHOLD_CLIENT_BIN, "Gross"};
    const std::vector<std::string> curl = {"/usr/bin/curl",
                                           "-s",
                                           "-o",
                                           byCurl.string(),
                                           "-H",
                                           "Content-Type: text/plain",
                                           "--data-binary",
                                           "@" + (base.path() / "command").string(),
                                           server.url()};

    std::vector<double> clientTimes;
    std::vector<double> curlTimes;
    std::vector<double> clientCpu;
    std::vector<double> curlCpu;
    long peakRssKiB = 0;
    for (int run = 0; run < kRuns; ++run) {
        for (int turn = 0; turn < 2; ++turn) {
            // Alternating which goes first, so neither always finds a warmer machine.
            const bool clientsTurn = (run + turn) % 2 == 0;
            fs::remove(main / "gross.bin");
            fs::remove(byCurl);
            const MeasuredRun measured = RunMeasured(clientsTurn ? client : curl, environment);
            const fs::path result = clientsTurn ? main / "gross.bin" : byCurl;
            if (measured.exitCode != 0 || SizeOf(result) != kFileSize) {
                std::fprintf(stderr, "update download: %s failed (exit %d, %ju bytes)\n",
                             clientsTurn ? "brenhold" : "curl", measured.exitCode, SizeOf(result));
                return 1;
            }
            (clientsTurn ? clientTimes : curlTimes).push_back(measured.seconds);
            (clientsTurn ? clientCpu : curlCpu).push_back(measured.cpuSeconds);
            if (clientsTurn)
                peakRssKiB = std::max(peakRssKiB, measured.peakRssKiB);
        }
    }
    fs::remove(main / "gross.bin");
    fs::remove(byCurl);

    const double clientMedian = Median(clientTimes);
    const double curlMedian = Median(curlTimes);
    std::printf("update download, 1 GiB, X-Sendfile, median of %d: brenhold %.2f s (%.0f MiB/s), curl %.2f s "
                "(%.0f MiB/s), ratio brenhold/curl %.2f (goal at most 0.80)\n",
                kRuns, clientMedian, 1024 / clientMedian, curlMedian, 1024 / curlMedian,
                clientMedian / curlMedian);
    std::printf("update download: CPU time (user + system), median: brenhold %.2f s, curl %.2f s\n",
                Median(clientCpu), Median(curlCpu));
    std::printf("update download: brenhold peak RSS %.1f MiB (goal under 8 MiB)\n", peakRssKiB / 1024.0);
    return 0;
}
