#pragma once
// Writes of an update run that must reach the disk before the run relies on them (the staged
// files before the switch, the moves of the switch before its journal goes), gathered so that
// a platform that can flush a whole volume at once waits for the disk once instead of once
// a file. Every path is on the volume of the main directory.

#include <string>
#include <vector>

class DiskFlush {
public:
    // A closed file whose bytes must be on the disk once flush() returns.
    void add(const std::string& path);

    // Renames from to to, replacing a file at to; the rename is on the disk at the latest
    // once flush() returns. False when the rename fails: then both stay as they were.
    bool move(const std::string& from, const std::string& to);

    // Waits until everything added and moved is on the disk; false when that cannot be
    // made sure of.
    bool flush();

private:
    // The files to flush; on a platform that flushes the volume, one of them names it.
    std::vector<std::string> files_;
};
