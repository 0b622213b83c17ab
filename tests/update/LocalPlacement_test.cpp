#include "TempDir.h"
#include "update/FileStatus.h"
#include "update/LocalPlacement.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Runs each test inside its own empty current directory.
class LocalPlacement : public ::testing::Test {
protected:
    LocalPlacement() : previous_(fs::current_path()) { fs::current_path(scratch_.path()); }
    ~LocalPlacement() override { fs::current_path(previous_); }

    TempDir scratch_;
    fs::path previous_;
};

struct DirectoryCase {
    const char* path;
    std::vector<const char*> made;
    std::vector<const char*> notMade;
};

TEST_F(LocalPlacement, CreateDirectoriesMakesEveryDirectoryOfThePath)
{
    const DirectoryCase cases[] = {
        {"a/b/", {"a", "a/b"}, {}},
        {"d.1/e/", {"d.1", "d.1/e"}, {}},
        {"single", {"single"}, {}},
        {"file.txt", {}, {"file.txt"}},
        {"./sub/file.txt", {"sub"}, {"sub/file.txt"}},
        {"Daten\\Version 1.2\\Produkt", {"Daten", "Daten/Version 1.2"}, {"Daten/Version 1.2/Produkt"}},
        {"x\\y/z", {"x", "x/y", "x/y/z"}, {}},
        {"p\\\\q//r", {"p", "p/q", "p/q/r"}, {}},
        {"", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        createDirectories(c.path);
        for (const char* made : c.made) {
            EXPECT_TRUE(fs::is_directory(made)) << made;
        }
        for (const char* notMade : c.notMade) {
            EXPECT_FALSE(fs::exists(notMade)) << notMade;
        }
    }
}

TEST_F(LocalPlacement, CreateDirectoriesWorksOnAbsolutePathsAndPassesOverFailures)
{
    const std::string absolute = scratch_ / "abs";
    createDirectories((absolute + "\\one/two").c_str());
    EXPECT_TRUE(fs::is_directory(scratch_.path() / "abs" / "one" / "two"));

    std::ofstream("blocker.txt") << "a file, not a directory";
    createDirectories("blocker.txt/inner/");
    EXPECT_TRUE(fs::is_regular_file("blocker.txt"));
    EXPECT_FALSE(fs::exists("blocker.txt/inner"));
}

TEST_F(LocalPlacement, StampedFileReportsTheStampAsCreationTime)
{
    std::ofstream("file.bin") << "contents";
    const std::uint32_t stamps[] = {1234567890u, 86400u, 3000000000u};
    for (const auto stamp : stamps) {
        SCOPED_TRACE(stamp);
        ASSERT_TRUE(stampFile("file.bin", stamp));
        const FileStatus status = QueryFileStatus("file.bin");
        EXPECT_TRUE(status.exists);
        EXPECT_EQ(status.creationTime, stamp);
    }
    EXPECT_EQ(fs::file_size("file.bin"), 8u);
}

TEST_F(LocalPlacement, MissingFileIsNeitherStampedNorReported)
{
    EXPECT_FALSE(stampFile("missing.bin", 1234567890u));
    EXPECT_FALSE(QueryFileStatus("missing.bin").exists);
    EXPECT_FALSE(fs::exists("missing.bin"));
    EXPECT_TRUE(QueryFileStatus(".").exists);
}

} // namespace
