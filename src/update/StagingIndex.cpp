#include "update/StagingIndex.h"

#include "text/FormatString.h"
#include "update/LocalPath.h"
#include "update/LocalPlacement.h"
#include "update/StagedFile.h"
#include "update/StateFolder.h"

#include <fstream>
#include <iterator>

namespace {

std::string IndexPath()
{
    return LocalPath(std::string(state::kStaging) + "/index");
}

// What a line describes: what follows its third blank.
std::string KeyOfLine(const std::string& line)
{
    std::size_t at = 0;
    for (int blank = 0; blank < 3 && at != std::string::npos; ++blank) {
        at = line.find(' ', at);
        if (at != std::string::npos)
            ++at;
    }
    return at == std::string::npos ? std::string() : line.substr(at);
}

} // namespace

std::string StagingIndex::KeyOf(const PlannedFile& file)
{
    return file.payload.empty() ? "file " + file.path : "payload " + file.payload;
}

std::string StagingIndex::LineOf(const PlannedFile& file)
{
    return FormatString("%u %u ", file.time, file.size) + (file.sha256.empty() ? "-" : file.sha256) + " " +
           KeyOf(file);
}

void StagingIndex::load()
{
    lines_.clear();
    out_.close();
    std::ifstream in(IndexPath(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A last line without its line end was cut: it describes nothing.
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        std::string line = text.substr(at, end - at);
        std::string key = KeyOfLine(line);
        if (!key.empty())
            lines_[std::move(key)] = std::move(line);
    }
}

bool StagingIndex::describes(const PlannedFile& file) const
{
    const auto found = lines_.find(KeyOf(file));
    return found != lines_.end() && found->second == LineOf(file);
}

std::uint64_t StagingIndex::stagedBytes(const PlannedFile& file) const
{
    if (!describes(file))
        return 0;
    const std::string data =
        file.payload.empty() ? StagedFile::DataPath(file.path) : StagedFile::PayloadDataPath(file.payload);
    std::ifstream in(data, std::ios::binary | std::ios::ate);
    return in ? static_cast<std::uint64_t>(in.tellg()) : 0;
}

bool StagingIndex::note(const PlannedFile& file)
{
    if (describes(file))
        return true;
    if (!out_.isOpen()) {
        const std::string path = IndexPath();
        createDirectories(path.substr(0, path.rfind('/') + 1).c_str());
        if (!out_.open(path, OutputFile::Mode::Append))
            return false;
    }
    std::string line = LineOf(file);
    line += '\n';
    if (!out_.write(line.data(), line.size()))
        return false;
    line.pop_back();
    lines_[KeyOf(file)] = std::move(line);
    return true;
}

void StagingIndex::forget(const PlannedFile& file)
{
    lines_.erase(KeyOf(file));
}

bool StagingIndex::openAfresh(OutputFile& out, const std::string& path)
{
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    if (folders_.insert(folder).second)
        createDirectories(folder.c_str());
    if (out.open(path, OutputFile::Mode::Truncate))
        return true;
    // A folder made earlier in the run may have gone since (a switch removes the staging area).
    createDirectories(folder.c_str());
    return out.open(path, OutputFile::Mode::Truncate);
}
