// Prints how fast the platform's SHA-256 hashes 256 MiB fed in 256 KiB pieces, the block size
// in which downloads arrive.
#include "crypto/Sha256.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main()
{
    constexpr std::size_t kPiece = 256 * 1024;
    constexpr std::size_t kPieces = 1024;
    constexpr int kRuns = 3;

    std::vector<unsigned char> piece(kPiece);
    for (std::size_t i = 0; i < piece.size(); ++i)
        piece[i] = static_cast<unsigned char>(i * 2654435761u >> 24);

    double best = 1e9;
    Sha256Digest digest{};
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        Sha256 hash;
        for (std::size_t k = 0; k < kPieces; ++k)
            hash.update(piece.data(), piece.size());
        digest = hash.finish();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    const double megabytes = static_cast<double>(kPiece * kPieces) / 1e6;
    std::printf("sha256: 256 MiB in 256 KiB pieces, best of %d runs %.0f ms, %.0f MB/s (digest %.16s...)\n",
                kRuns, best * 1000, megabytes / best, HexDigest(digest).c_str());
    return 0;
}
