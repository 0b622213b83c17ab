#include "FolderState.h"

#include "crypto/Sha256.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The size and SHA-256 of a file's bytes, read in blocks: files of hundreds of MiB too.
std::string SizeAndDigest(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<char> block(1 << 20);
    Sha256 hash;
    std::uint64_t size = 0;
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto count = static_cast<std::size_t>(in.gcount());
        hash.update(block.data(), count);
        size += count;
    }
    return std::to_string(size) + ' ' + HexDigest(hash.finish());
}

bool IsAtOrBelow(const fs::path& entry, const fs::path& folder)
{
    if (folder.empty())
        return false;
    auto e = entry.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++e) {
        if (e == entry.end() || *e != *f)
            return false;
    }
    return true;
}

std::string StateOf(const fs::path& folder, const fs::path& skip, bool folderTimes)
{
    std::vector<std::string> lines;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::path& entry = it->path();
        if (IsAtOrBelow(entry, skip)) {
            if (it->is_directory(error))
                it.disable_recursion_pending();
            continue;
        }
        const fs::file_status status = it->symlink_status(error);
        std::ostringstream line;
        line << entry.lexically_relative(folder).generic_string();
        if (fs::is_symlink(status)) {
            line << " link " << fs::read_symlink(entry, error).generic_string();
        } else if (fs::is_directory(status)) {
            line << " folder";
            if (!folderTimes) {
                lines.push_back(line.str());
                continue;
            }
        } else {
            line << " file " << SizeAndDigest(entry);
        }
        line << ' ' << fs::last_write_time(entry, error).time_since_epoch().count();
        lines.push_back(line.str());
    }
    std::sort(lines.begin(), lines.end());
    std::string state;
    for (const std::string& line : lines)
        state += line + "\n";
    return state;
}

} // namespace

std::string FolderState(const fs::path& folder, const fs::path& skip)
{
    return StateOf(folder, skip, true);
}

std::string ContentState(const fs::path& folder, const fs::path& skip)
{
    return StateOf(folder, skip, false);
}

std::string InstalledState(const fs::path& mainDirectory)
{
    return ContentState(mainDirectory, mainDirectory / ".brenhold");
}

std::string RecordedPaths(const fs::path& mainDirectory)
{
    std::ifstream in(mainDirectory / ".brenhold" / "installed", std::ios::binary);
    std::string line;
    std::string paths;
    std::getline(in, line); // the record's first line names the listing
    while (std::getline(in, line))
        paths += line + "\n";
    return paths;
}
