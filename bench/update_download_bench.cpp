// POSIX only: one 512 MiB file fetched from jobgate under lighttpd (X-Sendfile on), by the
// client's update run (the real brenhold program) and by curl, alternating. Prints the
// median times, their ratio (the client's flush before the switch included, curl's
// without any) and the client's peak resident memory. Then the same file's
// download killed at 90 % and continued, in both of the server's sending modes: the bytes
// the second run fetched.
#include "LighttpdServer.h"
#include "MeasuredRun.h"
#include "SignedRepository.h"
#include "TempDir.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kFileSize = 512ull * 1024 * 1024;
constexpr double kFileMiB = 512;
constexpr int kRuns = 5;

std::uintmax_t SizeOf(const fs::path& file)
{
    std::error_code error;
    const std::uintmax_t size = fs::file_size(file, error);
    return error ? 0 : size;
}

// Runs update_kill_run into main until its staged file holds 90 % of the file, kills it,
// and runs it again to its end. Prints what the second run received.
bool MeasureResume(const fs::path& repository, const fs::path& main, bool sendfile)
{
    LighttpdServer server(repository.string(), sendfile);
    if (!server.running()) {
        std::fprintf(stderr, "update resume: the update server did not start\n");
        return false;
    }
    fs::remove_all(main);
    const fs::path staged = main / ".brenhold" / "staging" / "data" / "gross.bin";
    std::vector<std::string> arguments = {BRENHOLD_KILL_RUN_BIN, "Gross", main.string(), "0"};
    std::vector<std::string> variables = MergedEnvironment({{"BRENHOLD_UPDATE_SERVER", server.hostPort()}});
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, arguments[0].c_str(), &actions, nullptr,
                                    ExecPointers(arguments).data(), ExecPointers(variables).data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (SizeOf(staged) < kFileSize / 10 * 9 && std::chrono::steady_clock::now() < deadline &&
           ::waitpid(pid, nullptr, WNOHANG) == 0)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    const bool killed = ::kill(pid, SIGKILL) == 0;
    ::waitpid(pid, nullptr, 0);
    const std::uintmax_t cutAt = SizeOf(staged);
    if (!killed || cutAt == 0 || cutAt >= kFileSize) {
        std::fprintf(stderr, "update resume: the first run was not cut in the download\n");
        return false;
    }

    const auto start = std::chrono::steady_clock::now();
    const ProcessResult second =
        RunProcess({BRENHOLD_KILL_RUN_BIN, "Gross", main.string(), "0"},
                   {{"BRENHOLD_UPDATE_SERVER", server.hostPort()}}, "", std::chrono::minutes(2));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    unsigned long long received = 0;
    long calls = 0, blocks = 0;
    if (second.exitCode != 0 ||
        std::sscanf(second.out.c_str(), "calls %ld blocks %ld received %llu", &calls, &blocks, &received) !=
            3 ||
        SizeOf(main / "gross.bin") != kFileSize) {
        std::fprintf(stderr, "update resume: the second run failed: %s%s\n", second.out.c_str(),
                     second.err.c_str());
        return false;
    }
    std::printf(
        "update resume, 512 MiB killed at %.1f %%, %s: the second run fetched %.1f MiB = %.1f %% of the file "
        "(goal 10 %%) in %.2f s\n",
        100.0 * static_cast<double>(cutAt) / kFileSize, sendfile ? "X-Sendfile" : "jobgate sends",
        static_cast<double>(received) / (1024 * 1024), 100.0 * static_cast<double>(received) / kFileSize,
        seconds);
    fs::remove_all(main);
    return true;
}

} // namespace

int main()
{
    TempDir base;
    // The repository's file, the installed one and curl's copy.
    if (!HasFreeGiB(base.path(), 2, "update download"))
        return 0;
    const fs::path repository = base.path() / "repo";
    const fs::path main = base.path() / "Haupt";
    const fs::path byCurl = base.path() / "curl.bin";
    if (!WriteBigFile(repository / "Gross" / "gross.bin", kFileSize)) {
        std::fprintf(stderr, "update download: cannot write the 512 MiB file below %s\n", base.str().c_str());
        return 1;
    }
    fs::create_directories(base.path() / "config" / "Velmora");
    std::ofstream(base.path() / "config" / "Velmora" / "Brenhold.ini")
        << "[MainDirPath]\nGross=" << main.string() << "\n";
    std::ofstream(base.path() / "command") << std::string("0 16 Gross\x03./gross.bin\x03");
    fs::create_directories(base.path() / "home");

    // The client takes only signed listings: the maker signs the repository as it stands.
    if (!SignProduct(repository.string(), "Gross"))
        return 1;
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

    AlternatedRuns figures;
    const double loadBefore = LoadAverage();
    if (!RunAlternately(client, curl, environment, main / "gross.bin", byCurl, kFileSize, kRuns,
                        "update download", figures))
        return 1;
    const double loadAfter = LoadAverage();
    fs::remove(main / "gross.bin");
    fs::remove(byCurl);

    const double clientMedian = Median(figures.clientTimes);
    const double curlMedian = Median(figures.curlTimes);
    std::printf("update download, 512 MiB, X-Sendfile, median of %d: brenhold %.2f s (%.0f MiB/s, its flush "
                "included), curl %.2f s (%.0f MiB/s), ratio brenhold/curl %.2f (goal at most 1.00)\n",
                kRuns, clientMedian, kFileMiB / clientMedian, curlMedian, kFileMiB / curlMedian,
                clientMedian / curlMedian);
    PrintDiskFloor("update download", figures);
    std::printf(
        "update download: CPU time (user + system), median: brenhold %.2f s, curl %.2f s; load average "
        "%.2f before, %.2f after (the client needs both cores, curl one)\n",
        Median(figures.clientCpu), Median(figures.curlCpu), loadBefore, loadAfter);
    // A spawned program's peak starts from its parent's at the spawn: a figure at or below the
    // bench's own would be the bench's.
    rusage own{};
    ::getrusage(RUSAGE_SELF, &own);
    std::printf(
        "update download: brenhold peak RSS %.1f MiB (goal at most 8 MiB; the bench's own peak, below "
        "which the figure would say nothing: %.1f MiB)\n",
        figures.clientPeakRssKiB / 1024.0, static_cast<double>(own.ru_maxrss) / 1024.0);
    server.stop();
    return MeasureResume(repository, main, true) && MeasureResume(repository, main, false) ? 0 : 1;
}
