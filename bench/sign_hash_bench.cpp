// POSIX only: jobgate-sign signing a product that holds one 1 GiB file, against sha256sum
// hashing the same file, alternating with a warm page cache. Prints the median times, their
// ratio and the tool's peak resident memory.
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

} // namespace

int main()
{
    TempDir base;
    if (!HasFreeGiB(base.path(), 2, "sign 1 GiB"))
        return 0;
    const fs::path file = base.path() / "repo" / "Gross" / "gross.bin";
    if (!WriteBigFile(file, kFileSize)) {
        std::fprintf(stderr, "sign 1 GiB: cannot write the 1 GiB file below %s\n", base.str().c_str());
        return 1;
    }
    const std::string key = base / "maker.pem";
    if (RunMeasured({BRENHOLD_JOBGATE_SIGN_BIN, "keygen", key}).exitCode != 0) {
        std::fprintf(stderr, "sign 1 GiB: jobgate-sign keygen failed\n");
        return 1;
    }
    ::sync(); // the file just written is not flushed while the runs are timed

    const std::vector<std::string> sign = {BRENHOLD_JOBGATE_SIGN_BIN,       "sign", "--key", key,
                                           (base.path() / "repo").string(), "Gross"};
    const std::vector<std::string> sha256sum = {"/usr/bin/sha256sum", file.string()};
    // One round of each first, so that both read the file from the page cache.
    RunMeasured(sha256sum);
    std::vector<double> signTimes, sumTimes;
    long peakKiB = 0;
    for (int run = 0; run < kRuns; ++run) {
        const MeasuredRun signedRun = RunMeasured(sign);
        const MeasuredRun summed = RunMeasured(sha256sum);
        if (signedRun.exitCode != 0 || summed.exitCode != 0) {
            std::fprintf(stderr, "sign 1 GiB: a run failed (jobgate-sign %d, sha256sum %d)\n",
                         signedRun.exitCode, summed.exitCode);
            return 1;
        }
        signTimes.push_back(signedRun.seconds);
        sumTimes.push_back(summed.seconds);
        peakKiB = std::max(peakKiB, signedRun.peakRssKiB);
    }
    const double signMedian = Median(signTimes);
    const double sumMedian = Median(sumTimes);
    std::printf("sign 1 GiB: jobgate-sign sign %.2f s, sha256sum %.2f s (median of %d), ratio %.2f "
                "(goal at most 1.2), jobgate-sign peak memory %ld KiB\n",
                signMedian, sumMedian, kRuns, signMedian / sumMedian, peakKiB);
    return 0;
}
