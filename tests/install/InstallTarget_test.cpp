#include "install/InstallTarget.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

TEST(InstallTarget, MakesTheDirectoryAndLeavesNoTestFileInIt)
{
    TempDir dir;
    const fs::path target = dir.path() / "Programme" / "Corvid 2.1";
    EXPECT_TRUE(CanCreateFilesIn(target.string()));
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_TRUE(fs::is_empty(target));
    // A directory that is there already, with files of its own, is as good.
    ASSERT_TRUE(WriteFileBytes(target / "eigene.txt", "x"));
    EXPECT_TRUE(CanCreateFilesIn(target.string()));
    EXPECT_EQ(ReadFileBytes(target / "eigene.txt"), "x");
}

} // namespace
