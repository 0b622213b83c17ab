// POSIX only: an update run with nothing to fetch over 10,000 and 100,000 current files,
// against jobgate under lighttpd serving the signed listing. Prints the whole run, split
// into the listing (request, reading and signature check) and the comparison of every row
// with its local file, in this process; and the whole run of the brenhold program with its
// terminal output thrown away. Then --repair runs, which hash every installed file: over the
// 10,000 small files and over one file of 512 MiB.
#include "LighttpdServer.h"
#include "MeasuredRun.h"
#include "SignedRepository.h"
#include "TempDir.h"
#include "update/LocalPlacement.h"
#include "update/Updater.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint32_t kTime = 1300000000;
constexpr int kRuns = 3;

// Notes when the listing has been read (the first check text) and counts downloads.
class TimedUpdater : public Updater {
public:
    void setStatusText(std::string text) override
    {
        if (!listed && text.rfind("Pr", 0) == 0) {
            listed = true;
            listingRead = Clock::now();
        }
        if (text.rfind("Download", 0) == 0)
            ++downloads;
    }

    bool listed = false;
    Clock::time_point listingRead;
    int downloads = 0;
};

bool WriteStamped(const fs::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary) << bytes;
    return stampFile(file.c_str(), kTime);
}

// count files in folders of 100, on the server and already current in the main directory;
// with size, each file holds that many bytes instead of its number.
bool MakeFiles(const fs::path& product, const fs::path& main, int count, std::size_t size = 0)
{
    for (int i = 0; i < count; ++i) {
        const std::string folder = "Ordner" + std::to_string(i / 100);
        const std::string name = "Datei" + std::to_string(i) + ".dat";
        if (i % 100 == 0) {
            fs::create_directories(product / folder);
            fs::create_directories(main / folder);
        }
        const std::string bytes = size > 0 ? std::string(size, static_cast<char>('a' + i % 26)) : std::to_string(i);
        if (!WriteStamped(product / folder / name, bytes) || !WriteStamped(main / folder / name, bytes))
            return false;
    }
    return true;
}

// The median time of runs over main that hash every installed file (--repair) and fetch nothing.
double RepairSeconds(const fs::path& main)
{
    const fs::path directory = fs::current_path();
    std::vector<double> seconds;
    for (int run = 0; run < kRuns; ++run) {
        TimedUpdater updater;
        updater.productName.SetText("Viele");
        updater.mainDirectory.SetText(main.string());
        updater.repairs = true;
        const auto start = Clock::now();
        updater.bringUpToDate();
        seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        fs::current_path(directory);
        if (updater.downloads != 0 || updater.outcome() != Updater::Outcome::Done)
            return -1;
    }
    return Median(seconds);
}

bool Measure(int count, std::size_t size = 0)
{
    TempDir base;
    const fs::path main = base.path() / "Haupt";
    if (!MakeFiles(base.path() / "repo" / "Viele", main, count, size)) {
        std::fprintf(stderr, "update no-change: cannot write the files below %s\n", base.str().c_str());
        return false;
    }
    // The client takes only signed listings: the maker signs the repository as it stands.
    if (!SignProduct((base.path() / "repo").string(), "Viele"))
        return false;
    ::sync(); // the files just written are not flushed while the runs are timed
    LighttpdServer server((base.path() / "repo").string(), true);
    if (!server.running()) {
        std::fprintf(stderr, "update no-change: the update server did not start\n");
        return false;
    }
    setenv("BRENHOLD_UPDATE_SERVER", server.hostPort().c_str(), 1);

    if (size > 0) {
        // The page cache holds the files just written: this is the hashing, not the disk.
        const double repair = RepairSeconds(main);
        std::printf("update --repair, %d current file(s) of %.0f MiB each, median of %d: %.3f s (%.0f MB/s hashed)\n",
                    count, size / 1048576.0, kRuns, repair, count * static_cast<double>(size) / 1e6 / repair);
        return repair >= 0;
    }
    const fs::path directory = fs::current_path();
    std::vector<double> whole, listing, comparison, program;
    for (int run = 0; run < kRuns; ++run) {
        TimedUpdater updater;
        updater.productName.SetText("Viele");
        updater.mainDirectory.SetText(main.string());
        const auto start = Clock::now();
        updater.bringUpToDate();
        const auto end = Clock::now();
        fs::current_path(directory);
        if (!updater.listed || updater.downloads != 0) {
            std::fprintf(stderr, "update no-change: the run %s\n",
                         updater.listed ? "downloaded files" : "read no listing");
            return false;
        }
        whole.push_back(std::chrono::duration<double>(end - start).count());
        listing.push_back(std::chrono::duration<double>(updater.listingRead - start).count());
        comparison.push_back(std::chrono::duration<double>(end - updater.listingRead).count());
    }
    fs::create_directories(base.path() / "config" / "Velmora");
    std::ofstream(base.path() / "config" / "Velmora" / "Brenhold.ini")
        << "[MainDirPath]\nViele=" << main.string() << "\n";
    long peakRssKiB = 0;
    for (int run = 0; run < kRuns; ++run) {
        const MeasuredRun measured = RunMeasured({BRENHOLD_CLIENT_BIN, "Viele"},
                                                 {{"XDG_CONFIG_HOME", (base.path() / "config").string()},
                                                  {"HOME", base.str()},
                                                  {"BRENHOLD_UPDATE_SERVER", server.hostPort()}});
        if (measured.exitCode != 0) {
            std::fprintf(stderr, "update no-change: brenhold ended with %d\n", measured.exitCode);
            return false;
        }
        program.push_back(measured.seconds);
        peakRssKiB = std::max(peakRssKiB, measured.peakRssKiB);
    }
    std::printf("update no-change, %d current files, median of %d: run %.3f s (listing %.3f s, comparison "
                "%.3f s); brenhold program %.3f s, peak RSS %.1f MiB%s\n",
                count, kRuns, Median(whole), Median(listing), Median(comparison), Median(program),
                peakRssKiB / 1024.0, count == 100000 ? " (goal for the brenhold program: at most 0.6 s)" : "");
    if (count == 10000) {
        const double repair = RepairSeconds(main);
        std::printf("update --repair, %d current small files, median of %d: %.3f s\n", count, kRuns, repair);
        return repair >= 0;
    }
    return true;
}

} // namespace

int main()
{
    return Measure(10000) && Measure(100000) && Measure(1, 512u * 1024 * 1024) ? 0 : 1;
}
