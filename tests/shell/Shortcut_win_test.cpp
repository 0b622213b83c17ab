#include "shell/LongPath.h"
#include "shell/Shortcut.h"
#include "shell/SpecialFolder.h"
#include "FoldedPath_win.h"
#include "TempDir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

struct Read {
    std::int32_t result;
    std::string target = "t";
    std::string arguments = "a";
    std::string description = "d";
};

Read ReadBack(const std::string& name, int folder)
{
    Read read;
    read.result = ReadShortcut(name, folder, nullptr, read.target, read.arguments, read.description);
    return read;
}

// Shortcuts live in the test prefix's real special folders, which tests running in
// parallel share: each test names its own and removes them before and after it runs.
class WinShortcut : public ::testing::Test {
protected:
    WinShortcut() { removeShortcuts(); }
    ~WinShortcut() override { removeShortcuts(); }

    const std::string test_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string names_[2] = {"Brenhold Verkn\xFCpfung " + test_, "Brenhold " + test_};

    static std::string shortcutFile(const std::string& name, int folder)
    {
        std::string path;
        GetSpecialFolderPath(folder, path);
        return path + name + ".lnk";
    }

    void removeShortcuts() const
    {
        for (const auto& name : names_) {
            DeleteFileA(shortcutFile(name, kDesktopFolder).c_str());
            DeleteFileA(shortcutFile(name, kProgramsFolder).c_str());
        }
    }

    std::string file(const std::string& relative) const
    {
        const fs::path path = scratch_.path() / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "program";
        return path.string();
    }

    TempDir scratch_;
};

TEST_F(WinShortcut, SpecialFoldersEndInABackslash)
{
    for (const int folder : {kDesktopFolder, kProgramsFolder}) {
        SCOPED_TRACE(folder);
        std::string path;
        ASSERT_TRUE(GetSpecialFolderPath(folder, path));
        ASSERT_GE(path.size(), 4u);
        EXPECT_EQ(path.back(), '\\');
        EXPECT_NE(path[path.size() - 2], '\\');
        const DWORD attributes = GetFileAttributesA(path.c_str());
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    std::string path = "unchanged";
    EXPECT_FALSE(GetSpecialFolderPath(0x7777, path));
    EXPECT_EQ(path, "unchanged");
}

TEST_F(WinShortcut, CreatedShortcutIsFoundReadBackAndOverwritten)
{
    const std::string name = names_[0];
    const std::string target = file("Mein Produkt/Corvid.exe");
    const std::string other = file("Anderes/Other.exe");
    for (const int folder : {kDesktopFolder, kProgramsFolder}) {
        SCOPED_TRACE(folder);
        EXPECT_FALSE(ShortcutExists(name, folder));
        ShellShortcut shortcut;
        shortcut.SetArguments("-profile \"zwei Worte\"");
        ASSERT_TRUE(
            shortcut.Create(target, name, scratch_ / "Mein Produkt", folder, "Start von Corvid", target, 1));
        EXPECT_TRUE(ShortcutExists(name, folder));
        EXPECT_FALSE(ShortcutExists(names_[1], folder));

        Read read = ReadBack(name, folder);
        EXPECT_EQ(read.result, 0);
        EXPECT_EQ(Folded(read.target), Folded(target));
        EXPECT_EQ(read.arguments, "-profile \"zwei Worte\"");
        EXPECT_EQ(read.description, "Start von Corvid");

        ASSERT_TRUE(ShellShortcut().Create(other, name, "", folder, "", "", 1));
        read = ReadBack(name, folder);
        EXPECT_EQ(read.result, 0);
        EXPECT_EQ(Folded(read.target), Folded(other));
        EXPECT_EQ(read.arguments, "");
        EXPECT_EQ(read.description, "");
    }
}

TEST_F(WinShortcut, OwnProgramMarkerIsExactlyLowerCase)
{
    char own[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    ASSERT_TRUE(ShellShortcut().Create("_this", names_[1], "", kProgramsFolder, "", "", 1));
    Read read = ReadBack(names_[1], kProgramsFolder);
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(Folded(read.target), Folded(own));

    ASSERT_TRUE(ShellShortcut().Create("_THIS", names_[1], "", kProgramsFolder, "", "", 1));
    read = ReadBack(names_[1], kProgramsFolder);
    EXPECT_EQ(read.result, 0);
    EXPECT_NE(Folded(read.target), Folded(own));
    EXPECT_EQ(read.target.substr(read.target.rfind('\\') + 1), "_THIS");
}

TEST_F(WinShortcut, UnreadableShortcutGivesNegativeCodeAndKeepsOutputs)
{
    std::ofstream(shortcutFile(names_[1], kDesktopFolder)) << "not a shortcut";
    Read read = ReadBack(names_[1], kDesktopFolder);
    EXPECT_LT(read.result, 0);
    EXPECT_EQ(read.target + read.arguments + read.description, "tad");

    read = ReadBack("Brenhold Fehlt " + test_, kDesktopFolder);
    EXPECT_LT(read.result, 0);
    EXPECT_EQ(read.target + read.arguments + read.description, "tad");

    read = ReadBack(names_[1], 0x7777);
    EXPECT_EQ(read.result, kShortcutFolderMissing);
    EXPECT_FALSE(ShortcutExists(names_[1], 0x7777));
    EXPECT_FALSE(ShellShortcut().Create("_this", names_[1], "", 0x7777, "", "", 1));
}

} // namespace
