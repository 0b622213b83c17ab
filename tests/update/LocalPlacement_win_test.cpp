#include "shell/Shortcut.h"
#include "shell/SpecialFolder.h"
#include "FoldedPath_win.h"
#include "TempDir.h"
#include "update/LocalPlacement.h"
#include "update/PlacementPaths.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

struct Read {
    std::int32_t result;
    std::string target;
    std::string arguments;
    std::string description;
};

// The name of the running test, usable as a file name: tests run in parallel in one
// Wine prefix and must not share a shortcut.
std::string TestShortcutName()
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("Brenhold ") + test->test_suite_name() + " " + test->name();
    for (char& c : name) {
        c = c == '/' ? '-' : c;
    }
    return name;
}

// The shortcut lives in the test prefix's real special folders: it is removed before
// and after each test. Every test writes targets below its own scratch directory.
class WinPlacement : public ::testing::TestWithParam<int> {
protected:
    WinPlacement() { remove(); }
    ~WinPlacement() override { remove(); }

    const std::string name_ = TestShortcutName();

    std::string file(const std::string& relative) const
    {
        const fs::path path = scratch_.path() / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "program";
        return path.string();
    }

    void existing(const std::string& target, const std::string& arguments) const
    {
        ShellShortcut shortcut;
        shortcut.SetArguments(arguments);
        ASSERT_TRUE(shortcut.Create(target, name_, "", GetParam(), "alt", "", 1));
    }

    Read readBack() const
    {
        Read read;
        read.result = ReadShortcut(name_, GetParam(), nullptr, read.target, read.arguments, read.description);
        return read;
    }

    std::string shortcutFile() const
    {
        std::string folder;
        GetSpecialFolderPath(GetParam(), folder);
        return folder + name_ + ".lnk";
    }

    void remove() const { DeleteFileA(shortcutFile().c_str()); }

    TempDir scratch_;
};

TEST_P(WinPlacement, NewShortcutIsCreated)
{
    const std::string target = file("Mein Produkt/Corvid.exe");
    placeShortcut(name_, target.c_str(), GetParam());
    const Read read = readBack();
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(Folded(read.target), Folded(target));
    EXPECT_EQ(read.arguments, "");
}

TEST_P(WinPlacement, ShortcutIntoTheSameDirectoryInOtherCaseIsKept)
{
    existing(file("App/Other.exe"), "-x");
    const std::string target = file("App/Corvid.exe");
    std::string lower = target;
    CharLowerBuffA(lower.data(), static_cast<DWORD>(lower.size()));
    placeShortcut(name_, lower.c_str(), GetParam());
    const Read read = readBack();
    EXPECT_EQ(Folded(read.target), Folded(scratch_ / "App\\Other.exe"));
    EXPECT_EQ(read.arguments, "-x");
    EXPECT_EQ(read.description, "alt");
}

TEST_P(WinPlacement, ShortcutIntoAnotherDirectoryIsReplacedKeepingItsArguments)
{
    existing(file("Old/Corvid.exe"), "-profile \"zwei Worte\"");
    // The update run joins the main directory and the program path with "/".
    const std::string target = scratch_.path().string() + "/New/Corvid.exe";
    file("New/Corvid.exe");
    placeShortcut(name_, target.c_str(), GetParam());
    const Read read = readBack();
    EXPECT_EQ(Folded(read.target), Folded(target));
    EXPECT_EQ(read.arguments, "-profile \"zwei Worte\"");
    EXPECT_EQ(read.description, "");
}

TEST_P(WinPlacement, UnreadableShortcutIsReplaced)
{
    std::ofstream(shortcutFile()) << "not a shortcut";
    const std::string target = file("Corvid.exe");
    placeShortcut(name_, target.c_str(), GetParam());
    const Read read = readBack();
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(Folded(read.target), Folded(target));
}

INSTANTIATE_TEST_SUITE_P(BothFolders, WinPlacement, ::testing::Values(kDesktopFolder, kProgramsFolder));

TEST(WinPlacementPaths, DirectoriesAreCutAtEitherSeparatorAndComparedWithoutCase)
{
    EXPECT_EQ(DirectoryOf("C:\\Programme/Corvid/Corvid.exe"), "C:\\Programme\\Corvid");
    EXPECT_EQ(DirectoryOf("C:/Corvid.exe"), "C:");
    EXPECT_EQ(DirectoryOf("Corvid.exe"), "");
    EXPECT_TRUE(SameDirectory("C:\\Programme\\\xC4rger", "c:\\PROGRAMME\\\xE4RGER"));
    EXPECT_FALSE(SameDirectory("C:\\Programme\\Corvid", "C:\\Programme\\Corvid2"));
    EXPECT_FALSE(SameDirectory("C:\\Stra\xDF"
                               "e",
                               "C:\\Strasse"));
}

} // namespace
