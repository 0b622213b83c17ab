#pragma once
// The record of the files the client installed in a main directory, in .brenhold/installed:
// a first line "brenhold-record 2 serial=S digest=D" naming the signed listing the
// installation came from (D its SHA-256 in hex, "-" when none is known), then the listed
// paths (Windows-1252, "./" and the names joined by "/"), one per line. Only files in the
// record are ever removed by the client; the customer's own files are not.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

class InstallRecord {
public:
    // The record kept in file; empty when there is none. Every path is checked as a listed
    // path is: one that fails is not taken, and refused says so. A record that cannot be
    // read whole (a cut line, an unreadable file, a first line of another layout) is
    // damaged: what it holds is not relied on.
    static InstallRecord Load(const std::string& file);

    // The file's text: the first line, then one path a line, in byte order.
    std::string text() const;

    // Replaces file durably with this record.
    bool save(const std::string& file) const;

    std::set<std::string> paths;
    std::uint64_t serial = 0; // of the listing the installation came from; 0 when none is known
    std::string digest;       // that listing's SHA-256; empty when none is known
    bool damaged = false;
    std::vector<std::string> refused; // English lines for the run log, one per refused line
};

// Removes the local file of a listed path below the current directory, and then each of
// its folders that became empty, innermost first; false when the file stays.
bool RemoveListedFile(const std::string& listedPath);

// Removes each folder of a local path below the current directory that is empty, innermost first.
void RemoveEmptyFoldersOf(std::string localPath);
