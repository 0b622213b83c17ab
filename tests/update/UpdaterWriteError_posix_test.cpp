// A download that cannot be written completely (a full disk) is a failed download.
#include "FaultServerRun.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

TEST_F(FaultServerRun, AFullDiskLeavesTheOldFileAndTheNextRunRepairsIt)
{
    const std::string path = "./voll.bin";
    const std::string newBytes = NumberedBytes(200000);
    PutFile(localFile(path), "alt", 1000000000);
    serveListing({{path, 1100000000, newBytes.size()}});
    serveFile(path, OkReply(newBytes));
    // The staged download leads to a device on which every write fails for want of space.
    const fs::path staged = mainDirectory() / ".brenhold" / "staging" / "data" / "voll.bin";
    fs::create_directories(staged.parent_path());
    fs::create_symlink("/dev/full", staged);

    const auto full = newRun();
    full->bringUpToDate();
    EXPECT_EQ(full->outcome(), Updater::Outcome::FilesFailed);
    EXPECT_EQ(ReadFileBytes(localFile(path)), "alt");
    EXPECT_EQ(StampOf(localFile(path)), 1000000000u);

    // Space is freed.
    fs::remove(staged);

    newRun()->bringUpToDate();
    EXPECT_TRUE(ReadFileBytes(localFile(path)) == newBytes);
    EXPECT_EQ(StampOf(localFile(path)), 1100000000u);
}

} // namespace
