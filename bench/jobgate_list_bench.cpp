// POSIX only: prints how long jobgate takes to list a product of 10,000 files, run as a
// CGI program the way the web server runs it.
#include "ChildProcess.h"
#include "TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

int main()
{
    constexpr int kFiles = 10000;
    constexpr int kRuns = 10;

    TempDir base;
    for (int i = 0; i < kFiles; ++i) {
        const auto file =
            base.path() / "Corvid" / ("Ordner" + std::to_string(i / 100)) / ("Datei" + std::to_string(i));
        if (!WriteFileBytes(file, std::to_string(i))) {
            std::fprintf(stderr, "jobgate_list_bench: cannot write %s\n", file.c_str());
            return 1;
        }
    }
    const std::string command = std::string("0 15 Corvid\x03");
    std::vector<double> times;
    std::size_t listingBytes = 0;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const ProcessResult result = RunProcess({BRENHOLD_JOBGATE_BIN},
                                                {{"REQUEST_METHOD", "POST"},
                                                 {"CONTENT_LENGTH", std::to_string(command.size())},
                                                 {"JOBGATE_ROOT", base.str()}},
                                                command);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (result.exitCode != 0 || result.out.find("Status: 200") != 0) {
            std::fprintf(stderr, "jobgate_list_bench: jobgate failed: %s\n", result.err.c_str());
            return 1;
        }
        times.push_back(took.count());
        listingBytes = result.out.size();
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "jobgate listing: %d files, %zu bytes answered, median of %d runs %.1f ms (fastest %.1f ms)\n",
        kFiles, listingBytes, kRuns, times[times.size() / 2] * 1000, times.front() * 1000);
    return 0;
}
