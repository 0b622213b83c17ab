#include "app/SettingsStore.h"

#include "ScratchSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

fs::path SettingsDirectory(const ScratchSettings& scratch)
{
    return fs::path(std::getenv("XDG_CONFIG_HOME")) / scratch.maker();
}

std::string FileText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

TEST(SettingsStorePosix, StoresOneLinePerEntryInUtf8)
{
    ScratchSettings scratch;
    ASSERT_TRUE(scratch.store().writeString("MainDirPath", "Corvid", "/opt/Größe"));
    ASSERT_TRUE(scratch.store().writeString("MainDirPath", "Müller", "/m"));
    EXPECT_EQ(FileText(SettingsDirectory(scratch) / "Brenhold.ini"),
              "[MainDirPath]\nCorvid=/opt/Gr\xC3\xB6\xC3\x9F"
              "e\nM\xC3\xBCller=/m\n");
}

TEST(SettingsStorePosix, ReadingCreatesNothing)
{
    ScratchSettings scratch;
    EXPECT_EQ(scratch.store().readString("MainDirPath", "Corvid", "x"), "x");
    EXPECT_FALSE(fs::exists(SettingsDirectory(scratch)));
}

TEST(SettingsStorePosix, WritingKeepsOtherContentAndReplacesTheFileWhole)
{
    ScratchSettings scratch;
    const fs::path file = SettingsDirectory(scratch) / "Brenhold.ini";
    WriteFile(file, "; von Hand\n[Fenster]\nBreite=640\n\n[MainDirPath]\nDachs=/d\nCorvid=/alt\n");
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);

    ASSERT_TRUE(scratch.store().writeString("MainDirPath", "Corvid", "/neu"));
    EXPECT_EQ(FileText(file), "; von Hand\n[Fenster]\nBreite=640\n\n[MainDirPath]\nDachs=/d\nCorvid=/neu\n");
    // A new file took the old one's place: a reader never sees half of it.
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
}

TEST(SettingsStorePosix, FullDiskKeepsTheOldSettingsAndNoTemporary)
{
    ScratchSettings scratch;
    const fs::path directory = SettingsDirectory(scratch);
    WriteFile(directory / "Brenhold.ini", "[MainDirPath]\nCorvid=/alt\n");

    // A file size limit stands in for a full disk: writes beyond it fail with EFBIG.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000; // room for the captured diagnostic, not for the settings
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStderr();
    const bool written = scratch.store().writeString("MainDirPath", "Corvid", std::string(5000, 'x'));
    const std::string diagnostic = testing::internal::GetCapturedStderr();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(diagnostic.rfind("settings: cannot write ", 0), 0u) << diagnostic;
    EXPECT_EQ(std::count(diagnostic.begin(), diagnostic.end(), '\n'), 1) << diagnostic;
    EXPECT_EQ(scratch.store().readString("MainDirPath", "Corvid", ""), "/alt");
    EXPECT_EQ(std::distance(fs::directory_iterator(directory), fs::directory_iterator()), 1);
}

TEST(SettingsStorePosix, UnwritableSettingsFileIsReportedOnOneLine)
{
    ScratchSettings scratch;
    // A directory in the settings file's place can be neither read nor replaced.
    fs::create_directories(SettingsDirectory(scratch) / "Brenhold.ini");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(scratch.store().writeString("MainDirPath", "Corvid", "/neu"));
    EXPECT_EQ(scratch.store().readString("MainDirPath", "Corvid", "Vorgabe"), "Vorgabe");
    const std::string diagnostic = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(diagnostic.begin(), diagnostic.end(), '\n'), 2) << diagnostic;
    EXPECT_EQ(diagnostic.rfind("settings: cannot ", 0), 0u) << diagnostic;
}

TEST(SettingsStorePosix, RefusesNamesAndTextsTheFileCannotHold)
{
    ScratchSettings scratch;
    SettingsStore& store = scratch.store();
    for (const std::string name : {"", "a=b", "[x]", "a\nb", " Corvid", "Corvid\t", ";x"}) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(store.writeString("MainDirPath", name, "/x")) << name;
        EXPECT_EQ(store.readString("MainDirPath", name, "Vorgabe"), "Vorgabe") << name;
        const std::string diagnostic = testing::internal::GetCapturedStderr();
        EXPECT_NE(diagnostic.find("cannot be used in the settings file"), std::string::npos) << diagnostic;
        // One line per refusal, for the read and the write.
        EXPECT_EQ(std::count(diagnostic.begin(), diagnostic.end(), '\n'), 2) << diagnostic;
    }
    testing::internal::CaptureStderr();
    EXPECT_FALSE(store.writeString("Main]DirPath", "Corvid", "/x"));
    EXPECT_FALSE(store.writeString("MainDirPath", "Corvid", "/x\n[Other]"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("line break"), std::string::npos);
    EXPECT_FALSE(fs::exists(SettingsDirectory(scratch)));
}

TEST(SettingsStorePosix, WorksBelowANonAsciiDirectory)
{
    ScratchSettings scratch;
    const std::string home = std::string(std::getenv("XDG_CONFIG_HOME")) + "/Gr\xC3\xBC\xC3\x9F"
                                                                           "e/Einstellungen";
    ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    ASSERT_TRUE(scratch.store().writeString("MainDirPath", "Corvid", "/home/jürgen/Corvid"));
    EXPECT_TRUE(fs::exists(fs::path(home) / scratch.maker() / "Brenhold.ini"));
    EXPECT_EQ(scratch.store().readString("MainDirPath", "Corvid", ""), "/home/jürgen/Corvid");
}

TEST(SettingsStorePosix, FallsBackToDotConfigInHome)
{
    ScratchSettings scratch;
    const std::string home = std::getenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome != nullptr ? oldHome : "";
    ::setenv("HOME", home.c_str(), 1);
    for (const char* xdg : {"", "relative/config"}) {
        ::setenv("XDG_CONFIG_HOME", xdg, 1);
        ASSERT_TRUE(scratch.store().writeString("MainDirPath", "Corvid", xdg));
        EXPECT_EQ(FileText(fs::path(home) / ".config" / scratch.maker() / "Brenhold.ini"),
                  "[MainDirPath]\nCorvid=" + std::string(xdg) + "\n");
    }
    if (oldHome != nullptr)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
}

} // namespace
