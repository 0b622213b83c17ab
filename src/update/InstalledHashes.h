#pragma once
// The SHA-256 of installed files as the client placed them, kept in .brenhold/hashes so
// that a later run finds the file a patch starts from without reading it: "TIME SIZE
// SHA256 PATH" a line (the local file's time and size as QueryFileStatus gave them after
// the switch, the listed path). A hint only: a file made from a patch is checked against
// its signed checksum like every download, so a stale entry costs a fallback to the
// compressed form, never a wrong file. Kept only for files that have payloads.

#include "update/FileStatus.h"

#include <map>
#include <string>

class InstalledHashes {
public:
    // What file holds; a line that cannot be read is left out, and so is all of a file of
    // another layout.
    static InstalledHashes Load(const std::string& file);

    // The SHA-256 noted for path when its file still has the time and size noted with it;
    // empty otherwise.
    std::string find(const std::string& path, const FileStatus& status) const;

    void note(const std::string& path, const FileStatus& status, const std::string& sha256);

    bool empty() const { return lines_.empty(); }

    // Replaces file with these entries.
    bool save(const std::string& file) const;

private:
    std::map<std::string, std::string> lines_; // listed path -> its line
};
