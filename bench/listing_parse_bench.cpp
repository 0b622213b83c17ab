// Prints how fast FileTree::readListing parses a listing of 100,000 rows.
#include "filetree/FileTree.h"
#include "filetree/ListingWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

int main()
{
    constexpr int kRows = 100000;
    constexpr int kRuns = 15;

    FileTree source;
    StartFileListing(source, "Corvid");
    for (int i = 0; i < kRows; ++i) {
        const std::string path =
            "./Daten/Ordner" + std::to_string(i / 100) + "/Datei" + std::to_string(i) + ".dat";
        AddFileRow(source, path, 1764547200u + static_cast<std::uint32_t>(i),
                   1000ull * static_cast<unsigned>(i));
    }
    std::string text;
    WriteFileListing(source, text);

    double best = 1e9;
    std::size_t rows = 0;
    for (int run = 0; run < kRuns; ++run) {
        FileTree tree;
        const auto start = std::chrono::steady_clock::now();
        tree.readListing(text);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
        rows = tree.rowCount();
    }
    const double megabytes = static_cast<double>(text.size()) / 1e6;
    std::printf("listing parse: %zu rows, %.2f MB, best of %d runs %.1f ms, %.0f MB/s\n", rows, megabytes,
                kRuns, best * 1000, megabytes / best);
    return rows == kRows ? 0 : 1;
}
