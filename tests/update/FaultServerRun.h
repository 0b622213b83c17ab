#pragma once
// Update runs of the product "Corvid" into a fresh main directory against the in-process
// test server, which answers the listing request with a given listing and each file
// request with the reply given for that file.

#include "FolderState.h"
#include "ListingText.h"
#include "RecordingUpdater.h"
#include "TempDir.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// A faulty reply to a file request, made from the file's bytes, named for the test's name.
struct Fault {
    const char* name;
    Reply (*reply)(const std::string& bytes);
};

void PrintTo(const Fault& fault, std::ostream* out);

// Short limits, so that a silent server costs a test well under a second.
inline constexpr Timeouts kShortTimeouts{std::chrono::milliseconds(1000), std::chrono::milliseconds(300)};

class FaultServerRun : public ::testing::Test {
protected:
    FaultServerRun();

    // The listing the server sends for command 15.
    void serveListing(const std::vector<ListedFile>& files);
    void serveListingText(const std::string& text);
    void serveListingReply(Reply reply);
    // The reply to command 16 for the listed path.
    void serveFile(const std::string& listedPath, Reply reply);
    // A reply to the next request for the listed path only, before the one of serveFile.
    void queueFileReply(const std::string& listedPath, Reply reply);

    // A new run into mainDirectory() that starts nothing, with the given limits.
    std::unique_ptr<RecordingUpdater> newRun(const Timeouts& timeouts = kShortTimeouts) const;

    // The listed paths of every file request the server has seen, in order.
    std::vector<std::string> requestedFiles() const;

    const std::filesystem::path& mainDirectory() const { return main_; }
    // The local file of a listed path below the main directory.
    std::filesystem::path localFile(const std::string& listedPath) const;

    TempDir base_;
    std::filesystem::path main_;
    TestHttpServer server_;
    CurrentDirectoryGuard directory_;
};

// The creation time the run compares with the listing; 0 when the file is missing.
std::uint32_t StampOf(const std::filesystem::path& file);

// Makes a file with bytes and stamps it with time.
void PutFile(const std::filesystem::path& file, const std::string& bytes, std::uint32_t time);

// Bytes that tell their position: no block of them equals another.
std::string NumberedBytes(std::size_t count);
