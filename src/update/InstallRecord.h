#pragma once
// The record of the files the client installed in a main directory: their listed paths
// (Windows-1252, "./" and the names joined by "/"), one per line, in .brenhold/installed.
// Only files in the record are ever removed by the client; the customer's own files are not.

#include <set>
#include <string>

class InstallRecord {
public:
    // The record kept in file; empty when there is none or it cannot be read.
    static InstallRecord Load(const std::string& file);

    // The file's text: one path a line, in byte order.
    std::string text() const;

    // Replaces file durably with this record.
    bool save(const std::string& file) const;

    std::set<std::string> paths;
};

// Removes the local file of a listed path below the current directory, and then each of
// its folders that became empty, innermost first; false when the file stays.
bool RemoveListedFile(const std::string& listedPath);
