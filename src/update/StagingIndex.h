#pragma once
// What the files of the staging area belong to: one line per staged file in
// .brenhold/staging/index, "TIME SIZE SHA256|- file PATH" (the listed time, size, checksum
// and path) or, for a payload of the store a file is made from, "TIME SIZE SHA256 payload
// NAME" (the file's time, the payload's size and checksum, its name in the store), in place
// of a description file beside each one. A line is appended before the
// first byte of its file is written, so a staged file without a line is never taken for
// a listed one; a later line for the same path replaces an earlier one. Neither waits for
// the disk: what a cut loses is fetched again, and every staged file is checked against
// the signed checksum before the switch relies on it. The index also makes each folder of
// the staging area once per run, so that creating a staged file is one open.

#include "update/PlannedFile.h"

#include "os/OutputFile.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>

class StagingIndex {
public:
    // Reads what an earlier run left in the index; none, or an unreadable line, describes
    // nothing.
    void load();

    // Whether what is staged for file (its path, or its payload) belongs to it: the same
    // time, size and checksum.
    bool describes(const PlannedFile& file) const;

    // The bytes staged for file that belong to it (0 when they belong to another version).
    std::uint64_t stagedBytes(const PlannedFile& file) const;

    // Notes that what is staged for file belongs to it from now on; false when the index
    // cannot be written.
    bool note(const PlannedFile& file);

    // Notes that nothing is staged for file any more.
    void forget(const PlannedFile& file);

    // Closes the index file; a later note opens it again.
    void close() { out_.close(); }

    // Opens the staged file at path afresh (a local path below the staging area), making
    // its folder first when this run has not made it yet.
    bool openAfresh(OutputFile& out, const std::string& path);

private:
    // "file PATH" or "payload NAME": what a line describes.
    static std::string KeyOf(const PlannedFile& file);
    static std::string LineOf(const PlannedFile& file);

    std::map<std::string, std::string> lines_; // KeyOf -> its line
    std::set<std::string> folders_;            // made by this run
    OutputFile out_;
};
