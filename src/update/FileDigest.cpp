#include "update/FileDigest.h"

#include "crypto/Sha256.h"

#include <algorithm>
#include <fstream>
#include <vector>

bool FileMatches(const std::string& localPath, std::uint64_t size, const std::string& sha256)
{
    std::ifstream in(localPath, std::ios::binary);
    if (!in)
        return false;
    Sha256 hash;
    std::vector<char> block(256 * 1024);
    std::uint64_t read = 0;
    // One byte beyond the listed size is enough to tell a file that is too long.
    while (in && read <= size) {
        const std::uint64_t left = size + 1 - read;
        in.read(block.data(), static_cast<std::streamsize>(std::min<std::uint64_t>(block.size(), left)));
        const auto count = static_cast<std::size_t>(in.gcount());
        hash.update(block.data(), count);
        read += count;
    }
    if (read != size)
        return false;
    return sha256.empty() || HexDigest(hash.finish()) == sha256;
}
