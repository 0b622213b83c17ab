// POSIX only: how long jobgate takes to answer command 15 for a product of 100,000 files,
// from its signed listing and by walking the folder, run as a CGI program the way the web
// server runs it.
#include "ChildProcess.h"
#include "MeasuredRun.h"
#include "TempDir.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 100000;
constexpr int kRuns = 10;

// The median time of kRuns answers to command 15, and the size of the last; none when one failed.
bool TimeListing(const std::string& root, double& median, std::size_t& answered)
{
    const std::string command = std::string("0 15 Corvid\x03");
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const ProcessResult result = RunProcess({BRENHOLD_JOBGATE_BIN},
                                                {{"REQUEST_METHOD", "POST"},
                                                 {"CONTENT_LENGTH", std::to_string(command.size())},
                                                 {"JOBGATE_ROOT", root}},
                                                command, std::chrono::seconds(120));
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (result.exitCode != 0 || result.out.find("Status: 200") != 0) {
            std::fprintf(stderr, "signed listing: jobgate failed: %s\n", result.err.c_str());
            return false;
        }
        times.push_back(took.count());
        answered = result.out.size();
    }
    median = Median(times);
    return true;
}

} // namespace

int main()
{
    TempDir base;
    const fs::path root = base.path() / "repo";
    for (int i = 0; i < kFiles; ++i) {
        const auto file =
            root / "Corvid" / ("Ordner" + std::to_string(i / 1000)) / ("Datei" + std::to_string(i));
        if (!WriteFileBytes(file, std::to_string(i))) {
            std::fprintf(stderr, "signed listing: cannot write %s\n", file.c_str());
            return 1;
        }
    }
    const std::string key = base / "maker.pem";
    const MeasuredRun keygen = RunMeasured({BRENHOLD_JOBGATE_SIGN_BIN, "keygen", key});
    const MeasuredRun signedRun =
        RunMeasured({BRENHOLD_JOBGATE_SIGN_BIN, "sign", "--key", key, root.string(), "Corvid"});
    if (keygen.exitCode != 0 || signedRun.exitCode != 0) {
        std::fprintf(stderr, "signed listing: jobgate-sign failed\n");
        return 1;
    }
    double fromListing = 0, byWalk = 0;
    std::size_t signedBytes = 0, walkedBytes = 0;
    if (!TimeListing(root.string(), fromListing, signedBytes))
        return 1;
    fs::remove(root / "Corvid.brenhold-listing");
    if (!TimeListing(root.string(), byWalk, walkedBytes))
        return 1;
    std::printf("command 15, %d files: from the signed listing %.1f ms (%zu bytes), by walking the folder "
                "%.1f ms (%zu bytes), median of %d; signing them took %.2f s\n",
                kFiles, fromListing * 1000, signedBytes, byWalk * 1000, walkedBytes, kRuns,
                signedRun.seconds);
    return 0;
}
