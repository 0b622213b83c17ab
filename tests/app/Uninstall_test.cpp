// Removing a product from a main directory, with the platform's questions, messages and
// uninstall entry replaced by fakes.
#include "app/Uninstall.h"

#include "ScratchSettings.h"
#include "TempDir.h"
#include "app/ExitCodes.h"
#include "update/RecordingUpdater.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A product name no other test and no real installation uses: its shortcuts cannot exist.
const std::string kProduct = "BrenholdUninstallTest";

class MemoryLog : public RunLog {
public:
    void write(const std::string& line) override { lines.push_back(line); }
    bool has(const std::string& line) const
    {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::vector<std::string> lines;
};

class Removal : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The record, as the update run keeps it; the files it names; a leftover of a run.
        put(".brenhold/installed",
            "./Corvid.exe\n./Daten/Karten/Meere.csv\n./Daten/a.dat\n./Hilfe/Lizenz.txt\n");
        put(".brenhold/staging/data/Daten/neu.dat", "halb");
        put("Corvid.exe", "MZ");
        put("Daten/Karten/Meere.csv", "Nordsee");
        put("Daten/a.dat", "a");
        put("Hilfe/Lizenz.txt", "Lizenz");
        settings().writeString("MainDirPath", kProduct, mainDirectory());
        settings().writeString("ListingSerial", kProduct, "5");
        settings().writeString("MainDirPath", "Dachs", "/anderswo");

        platform_.confirm = [this](const std::string& question, const std::string& title) {
            asked.push_back(title + ": " + question);
            return answer;
        };
        platform_.tell = [this](const std::string& text, const std::string& title) {
            told.push_back(title + ": " + text);
        };
        platform_.removeEntry = [this](const std::string& product) {
            entriesRemoved.push_back(product);
            return true;
        };
        platform_.runningCopy = [this](const std::string&) { return runningCopy; };
        platform_.removeAfterExit = [this](const std::string& directory) {
            laterRemovals.push_back(directory);
            return true;
        };
    }

    void put(const std::string& relative, const std::string& bytes)
    {
        ASSERT_TRUE(WriteFileBytes(main_ / relative, bytes));
    }

    std::string mainDirectory() const { return main_.generic_string(); }
    SettingsStore& settings() { return scratch_.store(); }
    bool exists(const std::string& relative) const { return fs::exists(main_ / relative); }

    int uninstall(bool quiet = false) { return Uninstall(kProduct, quiet, settings(), log, platform_); }

    TempDir base_;
    fs::path main_ = base_.path() / "Corvid";
    ScratchSettings scratch_;
    CurrentDirectoryGuard directory_;
    UninstallPlatform platform_;
    MemoryLog log;
    bool answer = true;
    std::string runningCopy;
    std::vector<std::string> asked;
    std::vector<std::string> told;
    std::vector<std::string> entriesRemoved;
    std::vector<std::string> laterRemovals;
};

TEST_F(Removal, RemovesTheRecordedFilesAndKeepsTheCustomersOwn)
{
    put("Hilfe/Notiz.txt", "meine Notiz");
    EXPECT_EQ(uninstall(), app::kExitDone);

    EXPECT_EQ(asked, std::vector<std::string>{kProduct + " entfernen: Soll " + kProduct +
                                              " vollständig entfernt werden?"});
    for (const char* file : {"Corvid.exe", "Daten", "Hilfe/Lizenz.txt", ".brenhold"})
        EXPECT_FALSE(exists(file)) << file;
    EXPECT_EQ(ReadFileBytes(main_ / "Hilfe/Notiz.txt"), "meine Notiz");
    EXPECT_EQ(told, std::vector<std::string>{
                        kProduct + " entfernen: Eigene Dateien wurden nicht entfernt: " + main_.string()});
    EXPECT_EQ(settings().readString("MainDirPath", kProduct, "(none)"), "(none)");
    EXPECT_EQ(settings().readString("ListingSerial", kProduct, "(none)"), "(none)");
    EXPECT_EQ(settings().readString("MainDirPath", "Dachs", ""), "/anderswo");
    EXPECT_EQ(entriesRemoved, std::vector<std::string>{kProduct});
    EXPECT_TRUE(laterRemovals.empty());
    EXPECT_TRUE(log.has("removed ./Daten/Karten/Meere.csv"));
}

TEST_F(Removal, QuietlyRemovesTheEmptiedMainDirectoryToo)
{
    EXPECT_EQ(uninstall(true), app::kExitDone);
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(told.empty());
    EXPECT_FALSE(fs::exists(main_));
    EXPECT_TRUE(fs::exists(base_.path()));
}

TEST_F(Removal, AnsweredNoChangesNothing)
{
    answer = false;
    EXPECT_EQ(uninstall(), app::kExitCancelled);
    for (const char* file :
         {"Corvid.exe", "Daten/Karten/Meere.csv", "Hilfe/Lizenz.txt", ".brenhold/installed"})
        EXPECT_TRUE(exists(file)) << file;
    EXPECT_EQ(settings().readString("MainDirPath", kProduct, ""), mainDirectory());
    EXPECT_EQ(settings().readString("ListingSerial", kProduct, ""), "5");
    EXPECT_TRUE(entriesRemoved.empty());
    EXPECT_TRUE(told.empty());
}

TEST_F(Removal, AProductWithoutMainDirectoryIsNotInstalled)
{
    settings().removeEntry("MainDirPath", kProduct);
    EXPECT_EQ(uninstall(), app::kExitNoDirectory);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(told,
              std::vector<std::string>{kProduct + " entfernen: " + kProduct + " ist nicht installiert."});
    // A stale entry in the list of programs would otherwise stay for good.
    EXPECT_EQ(entriesRemoved, std::vector<std::string>{kProduct});
    EXPECT_TRUE(exists("Corvid.exe"));
}

// A recorded file that cannot be removed (here a folder of the customer's in its place)
// keeps everything needed for another try.
TEST_F(Removal, ARecordedFileThatStaysKeepsRecordSettingsAndEntry)
{
    fs::remove(main_ / "Hilfe/Lizenz.txt");
    put("Hilfe/Lizenz.txt/eigene.txt", "eigene");
    EXPECT_EQ(uninstall(true), app::kExitFilesFailed);
    EXPECT_FALSE(exists("Corvid.exe"));
    EXPECT_EQ(ReadFileBytes(main_ / ".brenhold/installed"),
              "brenhold-record 2 serial=0 digest=-\n./Hilfe/Lizenz.txt\n");
    EXPECT_EQ(settings().readString("MainDirPath", kProduct, ""), mainDirectory());
    EXPECT_TRUE(entriesRemoved.empty());
}

// Whoever can write the main directory can write the record: a path in it that leads
// outside, or into the state folder, is refused and nothing there is removed.
TEST_F(Removal, RecordedPathsThatLeadOutsideAreNotRemoved)
{
    ASSERT_TRUE(WriteFileBytes(base_.path() / "draussen.txt", "fremd"));
    const std::string outside = (base_.path() / "draussen.txt").generic_string();
    put(".brenhold/installed", "./Corvid.exe\n../draussen.txt\n" + outside + "\n./.brenhold/../../draussen.txt\n");
    EXPECT_EQ(uninstall(true), app::kExitDone);
    EXPECT_FALSE(exists("Corvid.exe"));
    EXPECT_EQ(ReadFileBytes(base_.path() / "draussen.txt"), "fremd");
    EXPECT_EQ(std::count_if(log.lines.begin(), log.lines.end(),
                            [](const std::string& line) { return line.find("refused the recorded path") != std::string::npos; }),
              3);
}

TEST_F(Removal, TheRunningCopyStaysForItsRemovalAfterTheEnd)
{
    put(".brenhold/Brenhold.exe", "MZ uninstaller");
    runningCopy = "Brenhold.exe";
    EXPECT_EQ(uninstall(true), app::kExitDone);
    EXPECT_FALSE(exists("Corvid.exe"));
    EXPECT_FALSE(exists(".brenhold/installed"));
    EXPECT_FALSE(exists(".brenhold/staging"));
    EXPECT_TRUE(exists(".brenhold/Brenhold.exe"));
    EXPECT_EQ(laterRemovals, std::vector<std::string>{mainDirectory()});
}

} // namespace
