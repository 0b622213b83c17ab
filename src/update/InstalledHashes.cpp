#include "update/InstalledHashes.h"

#include "os/OutputFile.h"
#include "text/FormatString.h"
#include "update/ListingTrust.h"

#include <fstream>
#include <iterator>

namespace {

constexpr char kOpening[] = "brenhold-hashes 1\n";
constexpr std::size_t kShaLength = 64;

// "TIME SIZE ": how a line starts for a file with status.
std::string StampOf(const FileStatus& status)
{
    return FormatString("%u %llu ", status.creationTime, static_cast<unsigned long long>(status.size));
}

// The path of a line "TIME SIZE SHA256 PATH" with digits, a checksum and a path in their
// places; empty for any other line.
std::string PathOfLine(const std::string& line)
{
    const std::size_t time = line.find(' ');
    const std::size_t size = time == std::string::npos ? time : line.find(' ', time + 1);
    if (time == 0 || size == std::string::npos || size == time + 1 ||
        line.find_first_not_of("0123456789 ") < size || line.size() <= size + kShaLength + 2 ||
        line[size + 1 + kShaLength] != ' ' || !IsListedChecksum(line.substr(size + 1, kShaLength)))
        return {};
    return line.substr(size + kShaLength + 2);
}

} // namespace

InstalledHashes InstalledHashes::Load(const std::string& file)
{
    InstalledHashes hashes;
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.compare(0, sizeof kOpening - 1, kOpening) != 0)
        return hashes;
    // A last line without its line end was cut: it says nothing.
    for (std::size_t at = sizeof kOpening - 1, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        std::string line = text.substr(at, end - at);
        std::string path = PathOfLine(line);
        if (!path.empty())
            hashes.lines_[std::move(path)] = std::move(line);
    }
    return hashes;
}

std::string InstalledHashes::find(const std::string& path, const FileStatus& status) const
{
    const auto found = lines_.find(path);
    if (found == lines_.end())
        return {};
    const std::string stamp = StampOf(status);
    const std::string& line = found->second;
    return line.compare(0, stamp.size(), stamp) == 0 ? line.substr(stamp.size(), kShaLength) : std::string();
}

void InstalledHashes::note(const std::string& path, const FileStatus& status, const std::string& sha256)
{
    lines_[path] = StampOf(status) + sha256 + " " + path;
}

bool InstalledHashes::save(const std::string& file) const
{
    std::string text = kOpening;
    for (const auto& [path, line] : lines_)
        text += line + "\n";
    return WriteFileDurably(file, text);
}
