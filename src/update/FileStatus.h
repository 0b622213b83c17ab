#pragma once
// What the update run needs to know about a local file.

#include <cstdint>

struct FileStatus {
    bool exists = false;
    bool isFolder = false;
    std::uint32_t creationTime = 0; // seconds since 1970-01-01 00:00 UTC
    std::uint64_t size = 0;         // of a file
};

// Whether the file system has an entry at path, whether it is a folder, its size and its
// creation time. On POSIX, where
// files have no creation time, the modification time stands for it (stampFile sets it).
FileStatus QueryFileStatus(const char* path);
