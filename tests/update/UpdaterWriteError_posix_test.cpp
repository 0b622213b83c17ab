// A download that cannot be written completely (a full disk) is a failed download.
#include "FaultServerRun.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

TEST_F(FaultServerRun, AFullDiskLeavesTheOldFileAndNoPartFile)
{
    const std::string path = "./voll.bin";
    const std::string newBytes = NumberedBytes(200000);
    PutFile(localFile(path), "alt", 1000000000);
    serveListing({{path, 1100000000, newBytes.size()}});
    serveFile(path, OkReply(newBytes));
    // The download's temporary file leads to a device on which every write fails for want
    // of space.
    fs::create_symlink("/dev/full", localFile(path).string() + ".brenhold-part");

    newRun()->bringUpToDate();
    EXPECT_EQ(ReadFileBytes(localFile(path)), "alt");
    EXPECT_EQ(StampOf(localFile(path)), 1000000000u);
    EXPECT_FALSE(fs::exists(fs::symlink_status(localFile(path).string() + ".brenhold-part")));

    newRun()->bringUpToDate();
    EXPECT_TRUE(ReadFileBytes(localFile(path)) == newBytes);
    EXPECT_EQ(StampOf(localFile(path)), 1100000000u);
}

} // namespace
