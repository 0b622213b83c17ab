#include "update/InstallRecord.h"

#include "os/OutputFile.h"
#include "text/FormatString.h"
#include "update/FileStatus.h"
#include "update/ListedPath.h"
#include "update/ListingTrust.h"
#include "update/LocalPath.h"
#include "update/LocalRemoval.h"

#include <fstream>
#include <iterator>

namespace {

constexpr char kOpening[] = "brenhold-record 2 serial=";
constexpr char kDigestWord[] = " digest=";

// Reads the first line's serial and digest; false when it is not of this layout.
bool ReadOpening(const std::string& line, InstallRecord& record)
{
    const std::string opening(kOpening);
    if (line.compare(0, opening.size(), opening) != 0)
        return false;
    const std::size_t digestAt = line.find(kDigestWord, opening.size());
    if (digestAt == std::string::npos)
        return false;
    const std::string serial = line.substr(opening.size(), digestAt - opening.size());
    const std::string digest = line.substr(digestAt + std::string(kDigestWord).size());
    if (serial.empty() || serial.size() > 20 || serial.find_first_not_of("0123456789") != std::string::npos ||
        (serial.size() > 1 && serial[0] == '0') || (serial.size() == 20 && serial > "18446744073709551615"))
        return false;
    if (digest != "-" && !IsListedChecksum(digest))
        return false;
    record.serial = std::stoull(serial);
    record.digest = digest == "-" ? std::string() : digest;
    return true;
}

} // namespace

InstallRecord InstallRecord::Load(const std::string& file)
{
    InstallRecord record;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        record.damaged = QueryFileStatus(file.c_str()).exists;
        return record;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t at = 0;
    bool first = true;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) {
            record.damaged = true;
            record.refused.push_back("the record of installed files ends in a cut line");
            break;
        }
        std::string line = text.substr(at, end - at);
        at = end + 1;
        // A record of a client before the first line was written holds only paths.
        if (first && line.compare(0, 16, "brenhold-record ") == 0 && !ReadOpening(line, record)) {
            record.damaged = true;
            record.refused.push_back("the record of installed files has an unknown first line");
            break;
        }
        if (first && line.compare(0, 16, "brenhold-record ") == 0) {
            first = false;
            continue;
        }
        first = false;
        if (line.empty())
            continue;
        std::string reason = UnsafeListedPathReason(line);
        if (reason.empty())
            reason = ShortNameReason(line);
        if (!reason.empty()) {
            record.refused.push_back("refused the recorded path \"" + EscapeControlCharacters(line) + "\": " + reason);
            continue;
        }
        // The record is written in byte order: each path goes at the end.
        record.paths.insert(record.paths.end(), std::move(line));
    }
    return record;
}

std::string InstallRecord::text() const
{
    std::string out = kOpening + std::to_string(serial) + kDigestWord + (digest.empty() ? "-" : digest) + "\n";
    for (const std::string& path : paths)
        out += path + "\n";
    return out;
}

bool InstallRecord::save(const std::string& file) const
{
    return WriteFileDurably(file, text());
}

bool RemoveListedFile(const std::string& listedPath)
{
    const std::string path = LocalPath(listedPath);
    if (!RemoveLocalFile(path))
        return false;
    RemoveEmptyFoldersOf(path);
    return true;
}

void RemoveEmptyFoldersOf(std::string localPath)
{
    for (std::size_t slash = localPath.rfind('/'); slash != std::string::npos && slash > 0;
         slash = localPath.rfind('/')) {
        localPath.resize(slash);
        if (localPath == "." || !RemoveEmptyFolder(localPath))
            break;
    }
}
