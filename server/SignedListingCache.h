#pragma once
// The signed listings a long-running jobgate (the FastCGI server) has read, kept in memory.
// Each is read once and read again when its file changes: another file at the path (a new
// release copied and renamed into place), another size, modification or change time.

#include "SignedListingFile.h"

#include <sys/types.h>

#include <ctime>
#include <map>
#include <string>

class SignedListingCache {
public:
    // What ReadSignedListing(root, productFolderName) gives now.
    StoredListing read(const std::string& root, const std::string& productFolderName);

private:
    struct FileState {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        timespec changed{};
        bool operator==(const FileState& other) const;
    };
    struct Entry {
        FileState state;
        StoredListing listing;
    };

    std::map<std::string, Entry> entries_; // by the listing file's path
};
