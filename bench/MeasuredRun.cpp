// POSIX side of MeasuredRun.h.
#include "MeasuredRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

MeasuredRun RunMeasured(const std::vector<std::string>& argv, const EnvironmentOverrides& environment)
{
    std::vector<std::string> arguments = argv;
    std::vector<std::string> variables = MergedEnvironment(environment);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    MeasuredRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, arguments[0].c_str(), &actions, nullptr,
                                    ExecPointers(arguments).data(), ExecPointers(variables).data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.peakRssKiB = usage.ru_maxrss;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void PrintDiskFloor(const char* label, AlternatedRuns& figures)
{
    const double client = Median(figures.clientTimes);
    const double floor = Median(figures.diskFloorTimes);
    std::printf("%s: the disk's floor, the same bytes written from memory and flushed, median %.2f s; ratio brenhold / "
                "the larger of curl and that floor %.2f\n",
                label, floor, client / std::max(Median(figures.curlTimes), floor));
}

double LoadAverage()
{
    double load = -1;
    return ::getloadavg(&load, 1) == 1 ? load : -1;
}

double Median(std::vector<double>& figures)
{
    std::sort(figures.begin(), figures.end());
    return figures.empty() ? 0 : figures[figures.size() / 2];
}

bool HasFreeGiB(const std::filesystem::path& folder, int gibibytes, const char* label)
{
    constexpr double kGiB = 1024.0 * 1024 * 1024;
    const std::uintmax_t available = std::filesystem::space(folder).available;
    if (static_cast<double>(available) >= gibibytes * kGiB)
        return true;
    std::printf("%s: skipped, %.1f GiB free in %s, %d GiB needed\n", label,
                static_cast<double>(available) / kGiB, folder.c_str(), gibibytes);
    return false;
}

namespace {

// One MiB of bytes that do not repeat within it, for the large files the benchmarks write.
std::string PatternBlock()
{
    std::string block(1024 * 1024, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * 7919) >> 3);
    return block;
}

// Seconds taken to write size bytes from memory into the new file and flush it; -1 when
// that fails. As the client does, the disk is asked to start writing every 4 MiB: one flush
// of the whole file at its end takes far longer on this kind of disk. The file is removed
// again.
double TimeWriteAndFlush(const std::filesystem::path& file, std::uintmax_t size)
{
    const std::string block = PatternBlock();
    const auto start = std::chrono::steady_clock::now();
    const int descriptor = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool written = descriptor >= 0;
    constexpr std::uintmax_t kWriteBackInterval = 4u << 20;
    for (std::uintmax_t at = 0; written && at < size; at += block.size()) {
        written = ::write(descriptor, block.data(), block.size()) == static_cast<ssize_t>(block.size());
        if (written && (at + block.size()) % kWriteBackInterval == 0)
            ::sync_file_range(descriptor, static_cast<off_t>(at + block.size() - kWriteBackInterval),
                              kWriteBackInterval, SYNC_FILE_RANGE_WRITE);
    }
    written = written && ::fdatasync(descriptor) == 0;
    if (descriptor >= 0)
        ::close(descriptor);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    return written ? seconds : -1;
}

} // namespace

bool WriteBigFile(const std::filesystem::path& file, std::uintmax_t size)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    std::string block = PatternBlock();
    for (std::uintmax_t written = 0; out && written < size; written += block.size()) {
        block[0] = static_cast<char>(written >> 20); // no two blocks alike
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    return static_cast<bool>(out.flush());
}

bool RunAlternately(const std::vector<std::string>& client, const std::vector<std::string>& curl,
                    const EnvironmentOverrides& environment, const std::filesystem::path& clientResult,
                    const std::filesystem::path& curlResult, std::uintmax_t size, int runs, const char* label,
                    AlternatedRuns& figures)
{
    for (int run = 0; run < runs; ++run) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool clientsTurn = (run + turn) % 2 == 0;
            std::error_code ignored;
            std::filesystem::remove(clientResult, ignored);
            std::filesystem::remove(curlResult, ignored);
            const MeasuredRun measured = RunMeasured(clientsTurn ? client : curl, environment);
            const std::filesystem::path& result = clientsTurn ? clientResult : curlResult;
            const std::uintmax_t got = std::filesystem::file_size(result, ignored);
            if (measured.exitCode != 0 || got != size) {
                std::fprintf(stderr, "%s: %s failed (exit %d, %ju bytes)\n", label,
                             clientsTurn ? "brenhold" : "curl", measured.exitCode,
                             ignored ? std::uintmax_t{0} : got);
                return false;
            }
            (clientsTurn ? figures.clientTimes : figures.curlTimes).push_back(measured.seconds);
            (clientsTurn ? figures.clientCpu : figures.curlCpu).push_back(measured.cpuSeconds);
            if (clientsTurn)
                figures.clientPeakRssKiB = std::max(figures.clientPeakRssKiB, measured.peakRssKiB);
        }
        std::error_code ignored;
        std::filesystem::remove(curlResult, ignored);
        const double floor = TimeWriteAndFlush(curlResult.string() + ".floor", size);
        if (floor < 0) {
            std::fprintf(stderr, "%s: the disk's floor could not be written beside %s\n", label,
                         curlResult.c_str());
            return false;
        }
        figures.diskFloorTimes.push_back(floor);
    }
    return true;
}
