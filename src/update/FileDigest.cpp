#include "update/FileDigest.h"

#include <algorithm>
#include <fstream>
#include <vector>

bool HashFile(const std::string& localPath, std::uint64_t limit, Sha256& hash, std::uint64_t& read)
{
    std::ifstream in(localPath, std::ios::binary);
    if (!in)
        return false;
    std::vector<char> block(256 * 1024);
    for (std::uint64_t taken = 0; in && taken < limit;) {
        in.read(block.data(), static_cast<std::streamsize>(std::min<std::uint64_t>(block.size(), limit - taken)));
        const auto count = static_cast<std::size_t>(in.gcount());
        hash.update(block.data(), count);
        taken += count;
        read += count;
    }
    return !in.bad();
}

bool FileMatches(const std::string& localPath, std::uint64_t size, const std::string& sha256)
{
    Sha256 hash;
    std::uint64_t read = 0;
    // One byte beyond the listed size is enough to tell a file that is too long.
    if (!HashFile(localPath, size + 1, hash, read) || read != size)
        return false;
    return sha256.empty() || HexDigest(hash.finish()) == sha256;
}

std::string LocalFileSha256(const std::string& localPath)
{
    Sha256 hash;
    std::uint64_t read = 0;
    return HashFile(localPath, UINT64_MAX, hash, read) ? HexDigest(hash.finish()) : std::string();
}
