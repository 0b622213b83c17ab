#include "shell/LongPath.h"
#include "shell/Shortcut.h"
#include "shell/SpecialFolder.h"
#include "support/ScopedEnvironment_posix.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Every test gets its own home; the user's real desktop and menu are never touched.
class PosixShortcut : public ::testing::Test {
protected:
    PosixShortcut()
    {
        environment_.set("HOME", home_.path().string());
        environment_.remove("XDG_CONFIG_HOME");
        environment_.remove("XDG_DATA_HOME");
    }

    std::string home(const std::string& relative) const { return home_ / relative; }

    static void WriteText(const std::string& path, const std::string& text)
    {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << text;
    }

    TempDir home_;
    ScopedEnvironment environment_;
};

// Runs desktop-file-validate on the file; its complaints, or "" when it accepts it.
std::string Validate(const std::string& path)
{
    const std::string command = "desktop-file-validate '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return "cannot run desktop-file-validate";
    }
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    const int status = pclose(pipe);
    return status == 0 ? output : "exit status " + std::to_string(status) + ": " + output;
}

TEST_F(PosixShortcut, DesktopFolderComesFromTheUserDirsFileElseDesktop)
{
    std::string path = "unchanged";
    EXPECT_FALSE(GetSpecialFolderPath(kDesktopFolder, path)) << "a missing desktop is not made";
    EXPECT_EQ(path, "unchanged");

    fs::create_directories(home("Desktop"));
    ASSERT_TRUE(GetSpecialFolderPath(kDesktopFolder, path));
    EXPECT_EQ(path, home("Desktop") + "/");

    fs::create_directories(home("Schreib tisch"));
    WriteText(home(".config/user-dirs.dirs"), "# written by xdg-user-dirs-update\n"
                                              "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                                              "XDG_DESKTOP_DIR=\"$HOME/Schreib tisch\"\n");
    ASSERT_TRUE(GetSpecialFolderPath(kDesktopFolder, path));
    EXPECT_EQ(path, home("Schreib tisch") + "/");

    fs::create_directories(home("elsewhere/Arbeitsfl\xE4"
                                "che"));
    WriteText(home("config/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"" +
                                                 home("elsewhere/Arbeitsfl\xE4"
                                                      "che") +
                                                 "\"\n");
    environment_.set("XDG_CONFIG_HOME", home("config"));
    ASSERT_TRUE(GetSpecialFolderPath(kDesktopFolder, path));
    EXPECT_EQ(path, home("elsewhere/Arbeitsfl\xE4"
                         "che") +
                        "/");

    WriteText(home("config/user-dirs.dirs"), "XDG_DESKTOP_DIR=relative/dir\n");
    ASSERT_TRUE(GetSpecialFolderPath(kDesktopFolder, path));
    EXPECT_EQ(path, home("Desktop") + "/") << "a value that is neither absolute nor quoted is ignored";
}

TEST_F(PosixShortcut, ProgramsFolderIsTheApplicationsMenuAndIsMade)
{
    std::string path;
    ASSERT_TRUE(GetSpecialFolderPath(kProgramsFolder, path));
    EXPECT_EQ(path, home(".local/share/applications") + "/");
    EXPECT_TRUE(fs::is_directory(path));

    environment_.set("XDG_DATA_HOME", home("data"));
    ASSERT_TRUE(GetSpecialFolderPath(kProgramsFolder, path));
    EXPECT_EQ(path, home("data/applications") + "/");

    environment_.set("XDG_DATA_HOME", "relative");
    ASSERT_TRUE(GetSpecialFolderPath(kProgramsFolder, path));
    EXPECT_EQ(path, home(".local/share/applications") + "/");
}

TEST_F(PosixShortcut, UnknownFolderOrHomeFindsNothing)
{
    std::string path = "unchanged";
    std::string target = "t";
    std::string arguments = "a";
    std::string description = "d";
    EXPECT_FALSE(GetSpecialFolderPath(5, path));
    EXPECT_FALSE(ShellShortcut().Create("/bin/true", "Corvid", "", 5, "", "", 0));
    EXPECT_EQ(ReadShortcut("Corvid", 5, nullptr, target, arguments, description), kShortcutFolderMissing);
    environment_.remove("HOME");
    EXPECT_FALSE(GetSpecialFolderPath(kProgramsFolder, path));
    EXPECT_EQ(path, "unchanged");
    EXPECT_EQ(target + arguments + description, "tad");
}

TEST_F(PosixShortcut, CreatedShortcutIsFoundReadBackValidAndOverwritten)
{
    fs::create_directories(home("Desktop"));
    const std::string target = home("Mein Produkt/Corvid $1.exe");
    for (const int folder : {kDesktopFolder, kProgramsFolder}) {
        SCOPED_TRACE(folder);
        EXPECT_FALSE(ShortcutExists("Mein Corvid", folder));
        ShellShortcut shortcut;
        shortcut.SetArguments("-profile \"zwei Worte\" 100%");
        ASSERT_TRUE(
            shortcut.Create(target, "Mein Corvid", home("Mein Produkt"), folder, "Start von Corvid", "", 1));
        EXPECT_TRUE(ShortcutExists("Mein Corvid", folder));

        std::string folderPath;
        ASSERT_TRUE(GetSpecialFolderPath(folder, folderPath));
        EXPECT_EQ(Validate(folderPath + "Mein Corvid.desktop"), "");
        EXPECT_EQ(access((folderPath + "Mein Corvid.desktop").c_str(), X_OK), 0);

        std::string readTarget;
        std::string arguments;
        std::string description;
        ASSERT_EQ(ReadShortcut("Mein Corvid", folder, nullptr, readTarget, arguments, description), 0);
        EXPECT_EQ(readTarget, target);
        EXPECT_EQ(arguments, "-profile \"zwei Worte\" 100%");
        EXPECT_EQ(description, "Start von Corvid");

        ASSERT_TRUE(ShellShortcut().Create("/opt/other", "Mein Corvid", "", folder, "", "", 1));
        ASSERT_EQ(ReadShortcut("Mein Corvid", folder, nullptr, readTarget, arguments, description), 0);
        EXPECT_EQ(readTarget, "/opt/other");
        EXPECT_EQ(arguments, "");
        EXPECT_EQ(description, "");
        EXPECT_EQ(Validate(folderPath + "Mein Corvid.desktop"), "");
        EXPECT_EQ(std::distance(fs::directory_iterator(folderPath), fs::directory_iterator()), 1)
            << "no temporary file is left behind";
    }
}

TEST_F(PosixShortcut, OwnProgramMarkerIsExactlyLowerCase)
{
    ASSERT_TRUE(ShellShortcut().Create("_this", "Own", "", kProgramsFolder, "", "", 1));
    ASSERT_TRUE(ShellShortcut().Create("_THIS", "Named", "", kProgramsFolder, "", "", 1));
    std::string target;
    std::string arguments;
    std::string description;
    ASSERT_EQ(ReadShortcut("Own", kProgramsFolder, nullptr, target, arguments, description), 0);
    EXPECT_EQ(target, fs::read_symlink("/proc/self/exe").string());
    ASSERT_EQ(ReadShortcut("Named", kProgramsFolder, nullptr, target, arguments, description), 0);
    EXPECT_EQ(target, "_THIS");
}

TEST_F(PosixShortcut, UnreadableShortcutGivesNegativeCodeAndKeepsOutputs)
{
    std::string menu;
    ASSERT_TRUE(GetSpecialFolderPath(kProgramsFolder, menu));
    WriteText(menu + "Broken.desktop", "not a desktop entry\n");
    std::string target = "t";
    std::string arguments = "a";
    std::string description = "d";
    EXPECT_EQ(ReadShortcut("Missing", kProgramsFolder, nullptr, target, arguments, description), -ENOENT);
    EXPECT_EQ(ReadShortcut("Broken", kProgramsFolder, nullptr, target, arguments, description), -EINVAL);
    EXPECT_EQ(target + arguments + description, "tad");
}

TEST_F(PosixShortcut, ExpandLongPathGivesExistingPathsUnchanged)
{
    std::string result;
    EXPECT_EQ(ExpandLongPath(home_.path().string(), result), home_.path().string().size());
    EXPECT_EQ(result, home_.path().string());
    EXPECT_EQ(ExpandLongPath(home("missing"), result), 0u);
    EXPECT_EQ(ExpandLongPath("", result), 0u);
}

} // namespace
