#include "shell/Shortcut.h"
#include "shell/SpecialFolder.h"
#include "support/ScopedEnvironment_posix.h"
#include "TempDir.h"
#include "update/LocalPlacement.h"
#include "update/PlacementPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct Read {
    std::int32_t result;
    std::string target;
    std::string arguments;
    std::string description;
};

Read ReadBack(const std::string& name, int kind)
{
    Read read;
    read.result = ReadShortcut(name, kind, nullptr, read.target, read.arguments, read.description);
    return read;
}

// Every test gets its own home; the user's real desktop and menu are never touched.
class PosixPlacement : public ::testing::TestWithParam<int> {
protected:
    PosixPlacement()
    {
        environment_.set("HOME", home_.path().string());
        environment_.remove("XDG_CONFIG_HOME");
        environment_.remove("XDG_DATA_HOME");
        fs::create_directories(home_.path() / "Desktop");
    }

    std::string home(const std::string& relative) const { return home_ / relative; }

    void existing(const std::string& target, const std::string& arguments)
    {
        ShellShortcut shortcut;
        shortcut.SetArguments(arguments);
        ASSERT_TRUE(shortcut.Create(target, "Corvid", "", GetParam(), "alt", "", 1));
    }

    std::string fileText() const
    {
        std::string folder;
        GetSpecialFolderPath(GetParam(), folder);
        std::ostringstream text;
        text << std::ifstream(folder + "Corvid.desktop").rdbuf();
        return text.str();
    }

    TempDir home_;
    ScopedEnvironment environment_;
};

TEST_P(PosixPlacement, NewShortcutGetsTheTargetsDirectoryAsWorkingDirectory)
{
    placeShortcut("Corvid", home("Mein Produkt/Corvid").c_str(), GetParam());
    const Read read = ReadBack("Corvid", GetParam());
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.target, home("Mein Produkt/Corvid"));
    EXPECT_EQ(read.arguments, "");
    EXPECT_NE(fileText().find("\nPath=" + home("Mein Produkt") + "\n"), std::string::npos);
}

TEST_P(PosixPlacement, ShortcutIntoTheSameDirectoryIsKept)
{
    existing(home("app/Other"), "-x");
    placeShortcut("Corvid", home("app/Corvid").c_str(), GetParam());
    const Read read = ReadBack("Corvid", GetParam());
    EXPECT_EQ(read.target, home("app/Other"));
    EXPECT_EQ(read.description, "alt");
}

TEST_P(PosixPlacement, ShortcutElsewhereIsReplacedKeepingItsArguments)
{
    // Names differing in letter case are different directories here.
    for (const char* old : {"old/Corvid", "APP/Corvid"}) {
        SCOPED_TRACE(old);
        existing(home(old), "-profile \"zwei Worte\"");
        placeShortcut("Corvid", home("app/Corvid").c_str(), GetParam());
        const Read read = ReadBack("Corvid", GetParam());
        EXPECT_EQ(read.target, home("app/Corvid"));
        EXPECT_EQ(read.arguments, "-profile \"zwei Worte\"");
        EXPECT_EQ(read.description, "");
    }
}

TEST_P(PosixPlacement, UnreadableShortcutIsReplacedEvenWithoutDirectory)
{
    std::string folder;
    ASSERT_TRUE(GetSpecialFolderPath(GetParam(), folder));
    std::ofstream(folder + "Corvid.desktop") << "garbage\n";
    placeShortcut("Corvid", "Corvid", GetParam());
    const Read read = ReadBack("Corvid", GetParam());
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.target, "Corvid");
}

INSTANTIATE_TEST_SUITE_P(BothFolders, PosixPlacement, ::testing::Values(kDesktopFolder, kProgramsFolder));

TEST(PosixPlacementPaths, DirectoriesAreCutAtSlashesAndComparedExactly)
{
    EXPECT_EQ(DirectoryOf("/opt/corvid/Corvid"), "/opt/corvid");
    EXPECT_EQ(DirectoryOf("/Corvid"), "");
    EXPECT_EQ(DirectoryOf("Corvid"), "");
    EXPECT_EQ(DirectoryOf("a\\b"), "");
    EXPECT_TRUE(SameDirectory("/opt/corvid", "/opt/corvid"));
    EXPECT_FALSE(SameDirectory("/opt/corvid", "/opt/Corvid"));
}

} // namespace
