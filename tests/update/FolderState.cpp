#include "FolderState.h"

#include "TempDir.h"

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::uint64_t Fnv1a(const std::string& bytes)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
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

} // namespace

std::string FolderState(const fs::path& folder, const fs::path& skip)
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
        } else {
            const std::string bytes = ReadFileBytes(entry);
            line << " file " << bytes.size() << ' ' << Fnv1a(bytes);
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

std::vector<std::string> PartFilesBelow(const fs::path& folder)
{
    std::vector<std::string> found;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() >= 14 && name.compare(name.size() - 14, 14, ".brenhold-part") == 0)
            found.push_back(it->path().string());
    }
    return found;
}
