#pragma once
// POSIX only: fresh installs of a product of many small files by the real brenhold
// program against a local update server, each into a main directory of its own.

#include "MeasuredRun.h"

#include <cstddef>
#include <filesystem>
#include <string>

// The listed name of small file i: a hundred files per folder.
std::string SmallFileName(int i);

// Makes files of size bytes each below product (every file's bytes differ); false on a
// write error.
bool MakeSmallFiles(const std::filesystem::path& product, int files, std::size_t size);

class FreshInstalls {
public:
    // Installs of product (files of size bytes) with settings, home and run log below base.
    FreshInstalls(const std::filesystem::path& base, std::string product, int files, std::size_t size);

    struct Result {
        int exitCode = -1;
        double seconds = 0;
        std::size_t installed = 0; // files of the right size in the main directory
        int failedFiles = 0;       // "failed" lines of the run log
        int retries = 0;           // "retry" lines of the run log
        bool ok() const;           // exit 0, every file, nothing failed
    };

    // One fresh install with BRENHOLD_TRANSFERS (empty: the default) from server
    // (host:port). Nothing is removed until the end: a file system without a journal
    // (ext4 on this machine's disk) skips inodes freed in the last half minute one by one
    // when it makes a file, which would make every run after a removal slower than the
    // first install on a customer's machine.
    Result installOnce(const std::string& transfers, const std::string& server);

private:
    std::filesystem::path base_;
    std::string product_;
    int files_;
    std::size_t size_;
    int installs_ = 0;
    EnvironmentOverrides environment_;
};
