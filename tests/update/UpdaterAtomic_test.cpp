// The update run as a whole or not at all, against the in-process test server: a failed
// file switches nothing, a cut download is continued where it stopped, a trickle ends
// within its limits, and only files the client installed are ever removed.
#include "FaultServerRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr std::uint32_t kOldTime = 1000000000;
constexpr std::uint32_t kNewTime = 1100000000;

std::string Name(int i)
{
    return std::string("./Daten/datei").append(std::to_string(i)).append(".txt");
}

std::string NewBytes(int i)
{
    return std::string("Fassung 2 der Datei ").append(std::to_string(i));
}

// The Range header of the last file request; empty when it had none.
std::string RangeOf(const std::string& request)
{
    const std::size_t at = request.find("\r\nRange: ");
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + 9;
    return request.substr(start, request.find("\r\n", start) - start);
}

TEST_F(FaultServerRun, OneFailedFileOfTenSwitchesNothingAndTheNextRunFetchesOnlyIt)
{
    std::vector<ListedFile> listing;
    for (int i = 0; i < 10; ++i) {
        PutFile(localFile(Name(i)), "Fassung 1", kOldTime);
        listing.push_back({Name(i), kNewTime, NewBytes(i).size()});
        serveFile(Name(i), OkReply(NewBytes(i)));
    }
    serveListing(listing);
    serveFile(Name(6), StatusReply(404, "Not Found", "unknown file"));
    const std::string before = InstalledState(mainDirectory());

    const auto failed = newRun();
    failed->bringUpToDate();
    EXPECT_EQ(failed->outcome(), Updater::Outcome::FilesFailed);
    EXPECT_EQ(requestedFiles().size(), 10u);
    EXPECT_EQ(InstalledState(mainDirectory()), before);

    serveFile(Name(6), OkReply(NewBytes(6)));
    const auto good = newRun();
    good->bringUpToDate();
    EXPECT_EQ(good->outcome(), Updater::Outcome::Done);
    const std::vector<std::string> requests = requestedFiles();
    EXPECT_EQ(std::vector<std::string>(requests.begin() + 10, requests.end()),
              std::vector<std::string>{Name(6)});
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(ReadFileBytes(localFile(Name(i))), NewBytes(i)) << i;
        EXPECT_EQ(StampOf(localFile(Name(i))), kNewTime) << i;
    }
    EXPECT_FALSE(fs::exists(mainDirectory() / ".brenhold" / "staging"));
}

// What the server answers the continued request with, and what the run ends with.
struct Continuation {
    const char* name;
    Reply (*reply)(const std::string& bytes, std::size_t staged);
    bool installed;          // whether the second run puts the file in place
    std::size_t stagedAfter; // otherwise, what stays staged for the next run
};

void PrintTo(const Continuation& continuation, std::ostream* out)
{
    *out << continuation.name;
}

const Continuation kContinuations[] = {
    {"Partial", [](const std::string& b, std::size_t at) { return PartialReply(b, at); }, true, 0},
    {"WholeFileAgain", [](const std::string& b, std::size_t) { return OkReply(b); }, true, 0},
    {"PartialChunked",
     [](const std::string& b, std::size_t at) { return Rechunked(PartialReply(b, at), 6000); }, true, 0},
    {"PartialFromAnotherByte",
     [](const std::string& b, std::size_t at) { return PartialReply(b, at - 1000); }, false, 100000},
    {"PartialButCutAgain",
     [](const std::string& b, std::size_t at) {
         Reply reply = PartialReply(b, at);
         reply.bytes.resize(reply.bytes.size() - 1000);
         return reply;
     },
     false, 199000},
};

class ContinuedDownload : public FaultServerRun, public ::testing::WithParamInterface<Continuation> {
protected:
    const std::string path_ = "./Daten/gross.bin";
    const std::string bytes_ = NumberedBytes(200000);
};

TEST_P(ContinuedDownload, AsksForTheRestAndEndsWithTheRightFile)
{
    PutFile(localFile(path_), "alt", kOldTime);
    serveListing({{path_, kNewTime, bytes_.size()}});
    serveFile(path_, CutReply(bytes_, bytes_.size() / 2));
    newRun()->bringUpToDate();
    EXPECT_EQ(ReadFileBytes(localFile(path_)), "alt");
    EXPECT_EQ(RangeOf(server_.lastRequest()), "");

    serveFile(path_, GetParam().reply(bytes_, bytes_.size() / 2));
    const auto second = newRun();
    second->bringUpToDate();
    EXPECT_EQ(RangeOf(server_.lastRequest()), "bytes=100000-");
    if (!GetParam().installed) {
        EXPECT_EQ(second->outcome(), Updater::Outcome::FilesFailed);
        EXPECT_EQ(ReadFileBytes(localFile(path_)), "alt");
        // What is staged is still good: the next run continues it again.
        const std::size_t staged = GetParam().stagedAfter;
        serveFile(path_, PartialReply(bytes_, staged));
        newRun()->bringUpToDate();
        EXPECT_EQ(RangeOf(server_.lastRequest()), std::string("bytes=").append(std::to_string(staged)).append("-"));
    }
    EXPECT_TRUE(ReadFileBytes(localFile(path_)) == bytes_);
    EXPECT_EQ(StampOf(localFile(path_)), kNewTime);
    EXPECT_FALSE(fs::exists(mainDirectory() / ".brenhold" / "staging"));
}

INSTANTIATE_TEST_SUITE_P(Replies, ContinuedDownload, ::testing::ValuesIn(kContinuations),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FaultServerRun, AStagedFileOfAnotherListedVersionIsNotContinued)
{
    const std::string path = "./Daten/gross.bin";
    const std::string first = NumberedBytes(100000);
    serveListing({{path, kNewTime, first.size()}});
    serveFile(path, CutReply(first, 50000));
    newRun()->bringUpToDate();

    const std::string second = std::string(120000, 'z');
    serveListing({{path, kNewTime + 1, second.size()}});
    serveFile(path, OkReply(second));
    newRun()->bringUpToDate();
    EXPECT_EQ(RangeOf(server_.lastRequest()), "");
    EXPECT_TRUE(ReadFileBytes(localFile(path)) == second);
}

// What the staging index says of a cut download decides whether the next run continues it.
struct IndexChange {
    const char* name;
    void (*change)(const fs::path& index);
    bool continued;
};

const IndexChange kIndexChanges[] = {
    {"Untouched", [](const fs::path&) {}, true},
    {"Removed", [](const fs::path& index) { fs::remove(index); }, false},
    {"LastLineCut", [](const fs::path& index) { fs::resize_file(index, fs::file_size(index) - 1); }, false},
    {"LaterLineForAnotherVersion",
     [](const fs::path& index) {
         std::ofstream(index, std::ios::binary | std::ios::app) << "1 100000 - file ./Daten/gross.bin\n";
     },
     false},
};

class StagingIndexOfACutDownload : public FaultServerRun, public ::testing::WithParamInterface<IndexChange> {};

TEST_P(StagingIndexOfACutDownload, DecidesWhetherTheNextRunContinues)
{
    const std::string path = "./Daten/gross.bin";
    const std::string bytes = NumberedBytes(100000);
    serveListing({{path, kNewTime, bytes.size()}});
    serveFile(path, CutReply(bytes, 50000));
    newRun()->bringUpToDate();

    GetParam().change(mainDirectory() / ".brenhold" / "staging" / "index");
    serveFile(path, OkReply(bytes));
    newRun()->bringUpToDate();
    EXPECT_EQ(RangeOf(server_.lastRequest()), GetParam().continued ? "bytes=50000-" : "");
    EXPECT_TRUE(ReadFileBytes(localFile(path)) == bytes);
}

INSTANTIATE_TEST_SUITE_P(Changes, StagingIndexOfACutDownload, ::testing::ValuesIn(kIndexChanges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FaultServerRun, ATrickleEndsAfterTheSlowWindowAndTheNextRunContinuesIt)
{
    const std::string path = "./langsam.bin";
    const std::string bytes = NumberedBytes(60000);
    serveListing({{path, kNewTime, bytes.size()}});
    serveFile(path, SlowTailReply(bytes, 30000, milliseconds(5)));
    Timeouts slow = kShortTimeouts;
    slow.slowWindow = milliseconds(400);
    slow.slowRate = 1024;

    const auto started = steady_clock::now();
    const auto cut = newRun(slow);
    cut->bringUpToDate();
    const auto took = steady_clock::now() - started;
    EXPECT_EQ(cut->outcome(), Updater::Outcome::FilesFailed);
    // The first window holds the fast part; the second one brings 80 bytes and ends it.
    EXPECT_GE(took, slow.slowWindow);
    EXPECT_LT(took, milliseconds(5000));
    EXPECT_FALSE(fs::exists(localFile(path)));

    serveFile(path, OkReply(bytes));
    newRun(slow)->bringUpToDate();
    const std::string range = RangeOf(server_.lastRequest());
    ASSERT_EQ(range.rfind("bytes=", 0), 0u) << range;
    EXPECT_GE(std::stoul(range.substr(6)), 30000u);
    EXPECT_TRUE(ReadFileBytes(localFile(path)) == bytes);
}

TEST_F(FaultServerRun, WithdrawnFilesGoAndTheCustomersFilesAndTheStateFolderStay)
{
    serveListing({{"./a.txt", kNewTime, 1},
                  {"./Ordner/b.txt", kNewTime, 1},
                  {"./Ordner/c.txt", kNewTime, 1},
                  {"./Weg/Tiefer/d.txt", kNewTime, 1}});
    for (const char* path : {"./a.txt", "./Ordner/b.txt", "./Ordner/c.txt", "./Weg/Tiefer/d.txt"})
        serveFile(path, OkReply("x"));
    newRun()->bringUpToDate();
    ASSERT_TRUE(fs::exists(localFile("./Weg/Tiefer/d.txt")));
    ASSERT_TRUE(WriteFileBytes(localFile("./eigene.txt"), "vom Kunden"));
    ASSERT_TRUE(WriteFileBytes(localFile("./Ordner/eigene.txt"), "vom Kunden"));
    const std::string record = ReadFileBytes(localFile("./.brenhold/installed"));

    // The new listing withdraws b and d and names a file in the client's state folder.
    serveListing(
        {{"./a.txt", kNewTime, 1}, {"./.brenhold/installed", kNewTime, 5}, {"./Ordner/c.txt", kNewTime, 1}});
    serveFile("./.brenhold/installed", OkReply("boese"));
    const std::size_t requestsBefore = requestedFiles().size();
    newRun()->bringUpToDate();

    EXPECT_EQ(requestedFiles().size(), requestsBefore);
    EXPECT_FALSE(fs::exists(localFile("./Ordner/b.txt")));
    EXPECT_FALSE(fs::exists(mainDirectory() / "Weg"));
    EXPECT_EQ(ReadFileBytes(localFile("./a.txt")), "x");
    EXPECT_EQ(ReadFileBytes(localFile("./Ordner/c.txt")), "x");
    EXPECT_EQ(ReadFileBytes(localFile("./eigene.txt")), "vom Kunden");
    EXPECT_EQ(ReadFileBytes(localFile("./Ordner/eigene.txt")), "vom Kunden");
    EXPECT_EQ(RecordedPaths(mainDirectory()), "./Ordner/c.txt\n./a.txt\n");
    EXPECT_NE(record, ReadFileBytes(localFile("./.brenhold/installed")));
}

TEST_F(FaultServerRun, AnInstalledFileWhoseRowCannotBeUsedIsSkippedNotWithdrawn)
{
    serveListing({{"./a.txt", kNewTime, 1}, {"./b.txt", kNewTime, 1}});
    serveFile("./a.txt", OkReply("a"));
    serveFile("./b.txt", OkReply("b"));
    newRun()->bringUpToDate();
    ASSERT_EQ(ReadFileBytes(localFile("./b.txt")), "b");

    // The second row loses its size: the row is listed, but the run cannot use it.
    std::string listing = ListingOf("Corvid", {{"./a.txt", kNewTime + 1, 2}, {"./b.txt", kNewTime, 1}});
    const std::string time = std::to_string(kNewTime);
    const std::string full = "2\x03"
                             "0\x03"
                             "3\x03"
                             "./b.txt\x03" +
                             time +
                             "\x03"
                             "1\x03";
    const std::string cut = "2\x03"
                            "0\x03"
                            "2\x03"
                            "./b.txt\x03" +
                            time + "\x03";
    const std::size_t at = listing.find(full);
    ASSERT_NE(at, std::string::npos);
    serveListingText(listing.replace(at, full.size(), cut));
    serveFile("./a.txt", OkReply("a2"));
    newRun()->bringUpToDate();
    EXPECT_EQ(ReadFileBytes(localFile("./a.txt")), "a2");
    EXPECT_EQ(ReadFileBytes(localFile("./b.txt")), "b");
    EXPECT_EQ(RecordedPaths(mainDirectory()), "./a.txt\n./b.txt\n");
}

} // namespace

namespace {

TEST_F(FaultServerRun, TheLogNamesARefusedAFailedAndAResumedFileOnceEach)
{
    const std::string resumed = "./Daten/gross.bin";
    const std::string bytes = NumberedBytes(200000);
    serveListing({{"./../draussen.txt", kNewTime, 3}, {"./fehlt.txt", kNewTime, 4}, {resumed, kNewTime, bytes.size()}});
    serveFile("./fehlt.txt", StatusReply(404, "Not Found", ""));
    serveFile(resumed, CutReply(bytes, bytes.size() / 2));
    newRun()->bringUpToDate();

    serveFile(resumed, PartialReply(bytes, bytes.size() / 2));
    LinesLog log;
    const auto run = newRun();
    run->log = &log;
    run->bringUpToDate();
    EXPECT_EQ(log.count("skipped \"./../draussen.txt\""), 1) << ::testing::PrintToString(log.lines);
    EXPECT_EQ(log.count("failed \"./fehlt.txt\": status 404"), 1) << ::testing::PrintToString(log.lines);
    EXPECT_EQ(log.count("resumed \"./Daten/gross.bin\" at byte 100000"), 1) << ::testing::PrintToString(log.lines);
    EXPECT_EQ(log.count("nothing switched"), 1);
}

} // namespace
