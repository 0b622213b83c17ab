// POSIX only: the switch of 10,000 changed small files, as the update run makes it once
// every download is staged: the journal, each staged file moved over its installed one
// and stamped, the new record. Prints the median of 3 runs.
#include "TempDir.h"
#include "update/InstallRecord.h"
#include "update/LocalPlacement.h"
#include "update/StagedFile.h"
#include "update/SwitchJournal.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 10000;
constexpr int kRuns = 3;
constexpr std::uint32_t kOldTime = 1300000000;
constexpr std::uint32_t kNewTime = 1400000000;

std::string ListedPath(int i)
{
    return "./Ordner" + std::to_string(i / 100) + "/Datei" + std::to_string(i) + ".dat";
}

// The installed files at the old time, their staged successors and the old record, in
// the current directory; the plan and the record of the switch to them.
bool Prepare(SwitchPlan& plan, InstallRecord& next)
{
    InstallRecord old;
    for (int i = 0; i < kFiles; ++i) {
        const std::string path = ListedPath(i);
        const std::string staged = StagedFile::DataPath(path);
        if (i % 100 == 0) {
            fs::create_directories(fs::path(path).parent_path());
            fs::create_directories(fs::path(staged).parent_path());
        }
        std::ofstream(path, std::ios::binary) << "alt " << i;
        std::ofstream(staged, std::ios::binary) << "neu " << i;
        if (!stampFile(path.c_str(), kOldTime))
            return false;
        old.paths.insert(path);
        next.paths.insert(path);
        plan.moves.push_back({path, kNewTime, static_cast<std::uint32_t>(("neu " + std::to_string(i)).size()), ""});
    }
    return old.save(".brenhold/installed");
}

} // namespace

int main()
{
    TempDir base;
    const fs::path directory = fs::current_path();
    std::vector<double> seconds;
    for (int run = 0; run < kRuns; ++run) {
        const fs::path main = base.path() / ("Haupt" + std::to_string(run));
        fs::create_directories(main / ".brenhold");
        fs::current_path(main);
        SwitchPlan plan;
        InstallRecord next;
        if (!Prepare(plan, next)) {
            std::fprintf(stderr, "update switch: cannot write the files below %s\n", main.c_str());
            return 1;
        }
        ::sync(); // the files just written are not flushed while the switch is timed
        const auto start = std::chrono::steady_clock::now();
        std::string failed;
        const bool switched = SwitchOver(plan, next, [] {}, failed) == SwitchEnd::Switched;
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        std::ifstream last(ListedPath(kFiles - 1));
        std::string text;
        std::getline(last, text);
        fs::current_path(directory);
        if (!switched || text != "neu " + std::to_string(kFiles - 1) ||
            fs::exists(main / ".brenhold" / "staging")) {
            std::fprintf(stderr, "update switch: the switch did not complete\n");
            return 1;
        }
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2];
    std::printf("update switch, %d changed small files, median of %d: %.3f s (%.0f files/s)\n", kFiles, kRuns,
                median, kFiles / median);
    return 0;
}
