// The client's own state files are input: whoever can write the main directory can write
// the journal, the record and the staging area. Nothing they name outside the installation
// or inside the state folder is touched, nothing unchecked is put in place, and a switch
// that cannot finish ends as the old version.
#include "FaultServerRun.h"
#include "crypto/Sha256.h"
#include "support/ReplacementBlock.h"
#include "text/FormatString.h"
#include "update/PathKey.h"

#include <gtest/gtest.h>

#include <string>

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kOldTime = 1000000000;
constexpr std::uint32_t kNewTime = 1100000000;

class StateFiles : public FaultServerRun {
public:
    using FaultServerRun::localFile;

    // Version 1 installed, and the server still serving it.
    void installFirstVersion()
    {
        serveListing({{"./Corvid.exe", kOldTime, 7}, {"./Daten/a.txt", kOldTime, 5}});
        serveFile("./Corvid.exe", OkReply("MZ eins"));
        serveFile("./Daten/a.txt", OkReply("aaaaa"));
        ASSERT_EQ(run()->outcome(), Updater::Outcome::Done);
        ASSERT_TRUE(WriteFileBytes(outside(), "fremd"));
    }

    std::unique_ptr<RecordingUpdater> run()
    {
        auto update = newRun();
        update->log = &log;
        update->bringUpToDate();
        return update;
    }

    void putState(const std::string& relative, const std::string& text)
    {
        ASSERT_TRUE(WriteFileBytes(mainDirectory() / ".brenhold" / relative, text));
    }

    fs::path outside() const { return base_.path() / "draussen.txt"; }
    std::string outsideAbsolute() const { return outside().generic_string(); }

    LinesLog log;
};

std::string Journal(const std::string& lines)
{
    return "brenhold-journal 2 7\n" + lines + "end\n";
}

std::string Record(const std::string& lines)
{
    return "brenhold-record 2 serial=0 digest=-\n" + lines;
}

struct HostileState {
    const char* name;
    void (*prepare)(StateFiles& test);
    const char* logged; // what the run log says of it
};

void PrintTo(const HostileState& state, std::ostream* out)
{
    *out << state.name;
}

const HostileState kHostileStates[] = {
    {"JournalMovesOutside",
     [](StateFiles& t) {
         t.putState("staging/data/draussen.txt", "boese");
         t.putState("journal", Journal("move 1 5 - " + t.outsideAbsolute() + "\n"));
     },
     "refused a damaged switch journal: the path"},
    {"JournalRemovesOutside", [](StateFiles& t) { t.putState("journal", Journal("remove ../draussen.txt\n")); },
     "refused a damaged switch journal: the path \"../draussen.txt\": relative segment"},
    {"JournalMovesIntoTheStateFolder",
     [](StateFiles& t) {
         t.putState("staging/data/.brenhold/installed", "./x\n");
         t.putState("journal", Journal("move 1 4 - ./.brenhold/installed\n"));
     },
     "inside the client's state folder"},
    {"JournalNamesTheStateFolderByItsShortName",
     [](StateFiles& t) { t.putState("journal", Journal("remove ./BRENHO~1/installed\n")); },
     "inside the client's state folder"},
    {"JournalWithAnUnknownVerb", [](StateFiles& t) { t.putState("journal", Journal("copy ./Corvid.exe ./x\n")); },
     "an unknown line"},
    {"JournalOfAnOlderLayout",
     [](StateFiles& t) {
         t.putState("staging/data/Corvid.exe", "MZ bose");
         t.putState("journal", "brenhold-journal 1\nmove 1 ./Corvid.exe\nend\n");
     },
     "unknown first line"},
    {"JournalCutInALine",
     [](StateFiles& t) {
         t.putState("staging/data/Corvid.exe", "MZ bose");
         t.putState("journal", "brenhold-journal 2 7\nmove 1 7 - ./Corvid.e");
     },
     "a line is cut off"},
    {"JournalWithAMalformedMove",
     [](StateFiles& t) {
         t.putState("staging/data/Corvid.exe", "MZ bose");
         t.putState("journal", Journal("move 1 7 ./Corvid.exe\n"));
     },
     "a malformed move"},
    // A whole journal, but the staged file is not what it names: undone, not installed.
    {"JournalWhoseStagedFileDoesNotMatch",
     [](StateFiles& t) {
         t.putState("staging/data/Corvid.exe", "MZ bose");
         const std::string good = HexDigest(Sha256Of("MZ zwei"));
         t.putState("journal", Journal(FormatString("move %u 7 %s ./Corvid.exe\n", kNewTime, good.c_str())));
     },
     "undid an interrupted switch at \"./Corvid.exe\""},
    {"RecordLeadsOutside",
     [](StateFiles& t) {
         t.putState("installed", Record("../draussen.txt\n./Corvid.exe\n./Daten/a.txt\n" + t.outsideAbsolute() + "\n"));
     },
     "refused the recorded path \"../draussen.txt\": relative segment"},
    {"RecordNamesTheStateFolder",
     [](StateFiles& t) { t.putState("installed", Record("./.brenhold/journal\n./Corvid.exe\n./Daten/a.txt\n")); },
     "refused the recorded path \"./.brenhold/journal\""},
    // A record cut off: what it names is not relied on, so nothing is withdrawn.
    {"RecordCutInALine",
     [](StateFiles& t) {
         ASSERT_TRUE(WriteFileBytes(t.localFile("./alt.txt"), "alt"));
         t.putState("installed", Record("./Corvid.exe\n./Daten/a.txt\n./alt.txt\n./Daten/b"));
     },
     "the record of installed files is damaged"},
    {"RecordOfAnotherLayout",
     [](StateFiles& t) {
         ASSERT_TRUE(WriteFileBytes(t.localFile("./alt.txt"), "alt"));
         t.putState("installed", "brenhold-record 9\n./alt.txt\n");
     },
     "the record of installed files has an unknown first line"},
};

class HostileStates : public StateFiles, public ::testing::WithParamInterface<HostileState> {};

TEST_P(HostileStates, AreRefusedAndTheInstallationStaysAsItWas)
{
    installFirstVersion();
    GetParam().prepare(*this);
    const std::string before = InstalledState(mainDirectory());
    const std::string outsideBefore = FolderState(base_.path(), mainDirectory());

    ::testing::internal::CaptureStderr();
    const auto update = run();
    const std::string diagnostics = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(InstalledState(mainDirectory()), before) << diagnostics;
    EXPECT_EQ(FolderState(base_.path(), mainDirectory()), outsideBefore);
    EXPECT_EQ(ReadFileBytes(outside()), "fremd");
    EXPECT_EQ(log.count(GetParam().logged), 1) << ::testing::PrintToString(log.lines);
    EXPECT_FALSE(fs::exists(mainDirectory() / ".brenhold" / "journal"));
    // The state folder is whole again: a second run finds nothing to refuse.
    log.lines.clear();
    run();
    EXPECT_EQ(log.count("refused"), 0) << ::testing::PrintToString(log.lines);
    EXPECT_EQ(InstalledState(mainDirectory()), before);
}

INSTANTIATE_TEST_SUITE_P(StateFiles, HostileStates, ::testing::ValuesIn(kHostileStates),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StateFiles, APathListedAgainWithoutItsDotSlashIsMovedNotWithdrawn)
{
    installFirstVersion();
    serveListing({{"Corvid.exe", kNewTime, 7}, {"./Daten/a.txt", kOldTime, 5}});
    serveFile("Corvid.exe", OkReply("MZ zwei"));
    EXPECT_EQ(run()->outcome(), Updater::Outcome::Done);
    EXPECT_EQ(ReadFileBytes(localFile("./Corvid.exe")), "MZ zwei");
    EXPECT_EQ(RecordedPaths(mainDirectory()), "./Daten/a.txt\nCorvid.exe\n");
    // Both spellings in one listing are one file: the second row is skipped.
    serveListing({{"./Corvid.exe", kNewTime, 7}, {"Corvid.exe", kNewTime, 7}, {"./Daten/a.txt", kOldTime, 5}});
    EXPECT_EQ(run()->outcome(), Updater::Outcome::Done);
    EXPECT_EQ(log.count("skipped \"Corvid.exe\": the file is listed twice"), 1);
    EXPECT_TRUE(fs::exists(localFile("./Corvid.exe")));
}

TEST_F(StateFiles, RowsOutOfKeyOrderAreEachTaken)
{
    serveListing({{"./b.txt", kNewTime, 5}, {"./a.txt", kNewTime, 5}, {"./c.txt", kNewTime, 5}});
    for (const char* name : {"./a.txt", "./b.txt", "./c.txt"})
        serveFile(name, OkReply(std::string(5, name[2])));
    EXPECT_EQ(run()->outcome(), Updater::Outcome::Done);
    EXPECT_EQ(log.count("listed twice"), 0) << ::testing::PrintToString(log.lines);
    EXPECT_EQ(ReadFileBytes(localFile("./a.txt")), "aaaaa");
    EXPECT_EQ(ReadFileBytes(localFile("./c.txt")), "ccccc");
}

// A run that fetches nothing still makes the record name what is installed: a path it
// lacks is added, and a recorded file the listing no longer names is withdrawn, wherever
// that path sorts.
TEST_F(StateFiles, ARunThatFetchesNothingBringsTheRecordUpToDate)
{
    const struct {
        const char* record;
        const char* withdrawn;
    } cases[] = {
        {"./Corvid.exe\n", nullptr},
        {"./Corvid.exe\n./Daten/a.txt\n./zuletzt.txt\n", "./zuletzt.txt"},
        {"./Alt.txt\n./Corvid.exe\n./Daten/a.txt\n", "./Alt.txt"},
        {"./Corvid.exe\n./Daten/b.txt\n", "./Daten/b.txt"},
    };
    installFirstVersion();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record);
        if (c.withdrawn != nullptr)
            PutFile(localFile(c.withdrawn), "alt", kOldTime);
        putState("installed", Record(c.record));
        EXPECT_EQ(run()->outcome(), Updater::Outcome::Done);
        EXPECT_EQ(RecordedPaths(mainDirectory()), "./Corvid.exe\n./Daten/a.txt\n");
        if (c.withdrawn != nullptr) {
            EXPECT_FALSE(fs::exists(localFile(c.withdrawn)));
        }
    }
}

// On Windows a change of letter case names the same file: it is replaced, never removed.
// Elsewhere the two names are two files, and the old one is withdrawn.
TEST_F(StateFiles, AFileRenamedInLetterCaseEndsUnderItsNewName)
{
    installFirstVersion();
    serveListing({{"./corvid.exe", kNewTime, 7}, {"./daten/A.txt", kNewTime, 5}});
    serveFile("./corvid.exe", OkReply("MZ zwei"));
    serveFile("./daten/A.txt", OkReply("AAAAA"));
    EXPECT_EQ(run()->outcome(), Updater::Outcome::Done);
    EXPECT_EQ(ReadFileBytes(localFile("./corvid.exe")), "MZ zwei");
    EXPECT_EQ(ReadFileBytes(localFile("./daten/A.txt")), "AAAAA");
    EXPECT_EQ(log.count("removed \"./Corvid.exe\""), kPathsIgnoreCase ? 0 : 1);
    EXPECT_EQ(RecordedPaths(mainDirectory()), "./corvid.exe\n./daten/A.txt\n");
}

TEST_F(StateFiles, AFileWhoseSizeOnDiskDiffersIsFetchedAgain)
{
    installFirstVersion();
    PutFile(localFile("./Daten/a.txt"), "aaaaa und mehr", kNewTime);
    const std::size_t requests = requestedFiles().size();
    EXPECT_EQ(run()->outcome(), Updater::Outcome::Done);
    EXPECT_EQ(ReadFileBytes(localFile("./Daten/a.txt")), "aaaaa");
    EXPECT_EQ(requestedFiles().size(), requests + 1);
}

// A folder of the customer's where a file is listed fails that file: nothing of the folder
// is moved, nothing is switched, and the folder never enters the record.
TEST_F(StateFiles, ACustomersFolderWhereAFileIsListedIsNeverMoved)
{
    installFirstVersion();
    ASSERT_TRUE(WriteFileBytes(localFile("./Hilfe/eigene.txt"), "vom Kunden"));
    serveListing({{"./Corvid.exe", kNewTime, 7}, {"./Daten/a.txt", kOldTime, 5}, {"./Hilfe", kNewTime, 4}});
    serveFile("./Corvid.exe", OkReply("MZ zwei"));
    serveFile("./Hilfe", OkReply("doof"));
    const std::string before = FolderState(mainDirectory(), mainDirectory() / ".brenhold");
    EXPECT_EQ(run()->outcome(), Updater::Outcome::FilesFailed);
    EXPECT_EQ(FolderState(mainDirectory(), mainDirectory() / ".brenhold"), before);
    EXPECT_EQ(log.count("failed \"./Hilfe\": a folder stands where it is listed"), 1);
    EXPECT_EQ(RecordedPaths(mainDirectory()), "./Corvid.exe\n./Daten/a.txt\n");
}

// One file of the switch refuses to be replaced: the switch is undone from what it set
// aside, the old version stays whole, and once the file can be replaced the next run
// switches with what it staged, fetching nothing again.
TEST_F(StateFiles, ASwitchWhoseMoveFailsForGoodEndsAsTheOldVersion)
{
    installFirstVersion();
    serveListing({{"./Corvid.exe", kNewTime, 7}, {"./Daten/a.txt", kNewTime, 5}, {"./Daten/neu.txt", kNewTime, 3}});
    serveFile("./Corvid.exe", OkReply("MZ zwei"));
    serveFile("./Daten/a.txt", OkReply("bbbbb"));
    serveFile("./Daten/neu.txt", OkReply("neu"));
    ReplacementBlock block(localFile("./Daten/a.txt"));
    if (!block.holds())
        GTEST_SKIP() << "this platform will not block the file here (on Linux: root and ext4 are needed)";
    const std::string before = InstalledState(mainDirectory());

    const auto failed = run();
    EXPECT_EQ(failed->outcome(), Updater::Outcome::FilesFailed);
    EXPECT_EQ(InstalledState(mainDirectory()), before);
    EXPECT_FALSE(fs::exists(mainDirectory() / ".brenhold" / "journal"));
    EXPECT_EQ(failed->textsStartingWith("Die Datei ./Daten/a.txt konnte nicht ersetzt werden").size(), 1u);
    EXPECT_EQ(log.count("the switch was undone: \"./Daten/a.txt\" could not be put in place"), 1);

    block.release();
    const std::size_t requests = requestedFiles().size();
    EXPECT_EQ(run()->outcome(), Updater::Outcome::Done);
    EXPECT_EQ(requestedFiles().size(), requests);
    EXPECT_EQ(ReadFileBytes(localFile("./Daten/a.txt")), "bbbbb");
    EXPECT_EQ(ReadFileBytes(localFile("./Corvid.exe")), "MZ zwei");
    EXPECT_EQ(ReadFileBytes(localFile("./Daten/neu.txt")), "neu");
}

} // namespace
