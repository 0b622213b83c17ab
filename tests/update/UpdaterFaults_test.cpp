// The update run against a server that misbehaves: every failed transfer leaves the old
// file as it was, and the next good run repairs it.
#include "FaultServerRun.h"

#include "net/ChunkedDecoder.h"
#include "text/UserTexts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

namespace fs = std::filesystem;
using std::chrono::steady_clock;

constexpr std::uint32_t kOldTime = 1000000000;
constexpr std::uint32_t kNewTime = 1100000000;
const std::string kPath = "./Daten/programm.dat";

const Fault kFaults[] = {
    {"CutBody", [](const std::string& b) { return CutReply(b, b.size() / 2); }},
    {"CutBeforeTheLastByte", [](const std::string& b) { return CutReply(b, b.size() - 1); }},
    {"ResetMidBody", [](const std::string& b) { return ResetReply(b, 300 + b.size() / 3); }},
    // An error page exactly as long as the file: only the status tells them apart.
    {"NotFoundPage",
     [](const std::string& b) { return StatusReply(404, "Not Found", std::string(b.size(), 'x')); }},
    {"ServerError", [](const std::string&) { return StatusReply(500, "Internal Server Error", ""); }},
    {"SilenceAfterHeader", [](const std::string&) { return SilentAfterHeaderReply(); }},
    {"SilenceFromTheStart", [](const std::string&) { return SilentReply(); }},
    {"EndlessBody", [](const std::string&) { return EndlessBodyReply("0123456789abcdef"); }},
    {"OneByteTooMany", [](const std::string& b) { return OkReply(b + "!"); }},
    // Every data byte is there; only the last chunk is missing.
    {"ChunkedWithoutItsLastChunk",
     [](const std::string& b) {
         Reply reply = Rechunked(OkReply(b), 4096);
         reply.bytes.resize(reply.bytes.rfind("0\r\n"));
         return reply;
     }},
    {"ChunkedCutInAChunk",
     [](const std::string& b) {
         Reply reply = Rechunked(OkReply(b), 30000);
         reply.bytes.resize(reply.bytes.size() / 2);
         return reply;
     }},
    {"ChunkedSizeLineNotHex",
     [](const std::string& b) {
         Reply reply = Rechunked(OkReply(b), 4096);
         reply.bytes.replace(reply.bytes.find("\r\n1000\r\n") + 2, 4, "10zz");
         return reply;
     }},
    {"ChunkedDataLongerThanItsSize",
     [](const std::string& b) {
         Reply reply = Rechunked(OkReply(b), 4096);
         reply.bytes.replace(reply.bytes.find("\r\n1000\r\n") + 2, 4, "0fff");
         return reply;
     }},
    {"ChunkedEndlessSizeLine",
     [](const std::string& b) {
         Reply reply = Rechunked(OkReply(b), 4096);
         reply.bytes.insert(reply.bytes.find("\r\n1000\r\n") + 6,
                            ";" + std::string(kChunkSizeLineLimit, 'x'));
         return reply;
     }},
};

class FailedDownload : public FaultServerRun, public ::testing::WithParamInterface<Fault> {
protected:
    void SetUp() override
    {
        PutFile(localFile(kPath), oldBytes_, kOldTime);
        serveListing({{kPath, kNewTime, newBytes_.size()}});
    }

    const std::string oldBytes_ = "die alte Fassung";
    const std::string newBytes_ = NumberedBytes(100000);
};

TEST_P(FailedDownload, LeavesTheOldFileAndTheNextGoodRunRepairsIt)
{
    serveFile(kPath, GetParam().reply(newBytes_));
    const std::string before = InstalledState(mainDirectory());
    const auto started = steady_clock::now();
    newRun()->bringUpToDate();
    const auto took = steady_clock::now() - started;

    EXPECT_EQ(requestedFiles(), std::vector<std::string>{kPath});
    EXPECT_EQ(InstalledState(mainDirectory()), before);
    // Bound by the short limits (300 ms without progress), far below the real ones.
    EXPECT_LT(took, std::chrono::seconds(10));

    serveFile(kPath, OkReply(newBytes_));
    newRun()->bringUpToDate();
    EXPECT_TRUE(ReadFileBytes(localFile(kPath)) == newBytes_);
    EXPECT_EQ(StampOf(localFile(kPath)), kNewTime);
    EXPECT_FALSE(fs::exists(mainDirectory() / ".brenhold" / "staging"));
}

TEST_P(FailedDownload, LeavesAMissingFileMissing)
{
    fs::remove(localFile(kPath));
    serveFile(kPath, GetParam().reply(newBytes_));
    const std::string before = InstalledState(mainDirectory());
    newRun()->bringUpToDate();
    EXPECT_EQ(InstalledState(mainDirectory()), before);
}

INSTANTIATE_TEST_SUITE_P(Faults, FailedDownload, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FaultServerRun, ChunkedListingAndFilesAreDecoded)
{
    const std::string bytes = NumberedBytes(100000);
    const std::vector<ListedFile> files = {{kPath, kNewTime, bytes.size()}, {"./klein.txt", kNewTime, 5}};
    serveListingReply(Rechunked(OkReply(ListingOf("Corvid", files)), 100));
    serveFile(kPath, Rechunked(OkReply(bytes), 7000));
    serveFile("./klein.txt", Rechunked(OkReply("klein"), 1));
    const auto run = newRun();
    run->bringUpToDate();
    EXPECT_EQ(run->outcome(), Updater::Outcome::Done);
    EXPECT_TRUE(ReadFileBytes(localFile(kPath)) == bytes);
    EXPECT_EQ(ReadFileBytes(localFile("./klein.txt")), "klein");
}

TEST_F(FaultServerRun, ACutChunkedListingIsNoListing)
{
    PutFile(localFile(kPath), "alt", kOldTime);
    Reply listing = Rechunked(OkReply(ListingOf("Corvid", {{kPath, kNewTime, 3}})), 50);
    listing.bytes.resize(listing.bytes.rfind("0\r\n"));
    serveListingReply(listing);
    const std::string before = InstalledState(mainDirectory());
    const auto run = newRun();
    run->bringUpToDate();
    EXPECT_EQ(run->outcome(), Updater::Outcome::ServerUnreachable);
    EXPECT_TRUE(requestedFiles().empty());
    EXPECT_EQ(InstalledState(mainDirectory()), before);
}

// The one test at the real limits: a server that falls silent after its header is given
// up after 30 s without a byte.
TEST_F(FaultServerRun, SilenceEndsAtTheRealStallLimit)
{
    PutFile(localFile(kPath), "alt", kOldTime);
    serveListing({{kPath, kNewTime, 10}});
    serveFile(kPath, SilentAfterHeaderReply());
    const auto started = steady_clock::now();
    newRun(kDefaultTimeouts)->bringUpToDate();
    const auto took = steady_clock::now() - started;
    EXPECT_GE(took, kDefaultTimeouts.stall - std::chrono::seconds(1));
    EXPECT_LT(took, kDefaultTimeouts.stall + std::chrono::seconds(15));
    EXPECT_EQ(ReadFileBytes(localFile(kPath)), "alt");
    EXPECT_EQ(StampOf(localFile(kPath)), kOldTime);
}

TEST_F(FaultServerRun, ARowWithFewerThanThreeValuesIsCountedButSkipped)
{
    std::string listing = ListingOf("Corvid", {{"./eins.txt", kNewTime, 4}, {"./zwei.txt", kNewTime, 4}});
    // The second row loses its size: three values become two, and the count says so.
    const std::string full = std::string("2\x03"
                                         "0\x03"
                                         "3\x03"
                                         "./zwei.txt\x03") +
                             std::to_string(kNewTime) +
                             "\x03"
                             "4\x03";
    const std::string cut = std::string("2\x03"
                                        "0\x03"
                                        "2\x03"
                                        "./zwei.txt\x03") +
                            std::to_string(kNewTime) + "\x03";
    const std::size_t at = listing.find(full);
    ASSERT_NE(at, std::string::npos);
    listing.replace(at, full.size(), cut);
    serveListingText(listing);
    serveFile("./eins.txt", OkReply("eins"));
    serveFile("./zwei.txt", OkReply("zwei"));

    const auto run = newRun();
    run->bringUpToDate();
    EXPECT_EQ(requestedFiles(), std::vector<std::string>{"./eins.txt"});
    EXPECT_FALSE(fs::exists(localFile("./zwei.txt")));
    EXPECT_EQ(run->textsStartingWith("Pr\xFC"
                                     "fe Datei")
                  .size(),
              2u);
    EXPECT_EQ(run->statusTexts.at(3), "Pr\xFC"
                                      "fe Datei 2/2: ./zwei.txt");
}

TEST_F(FaultServerRun, ProgressFollowsTheBytesAndReturnsToZero)
{
    const std::string bytes = NumberedBytes(10000);
    serveListing({{"./a.bin", kNewTime, bytes.size()}});
    serveFile("./a.bin", SplitReply(bytes, 3000));
    const auto run = newRun();
    run->bringUpToDate();
    ASSERT_GE(run->progress.size(), 4u);
    EXPECT_EQ(run->progress.front(), "range 0 10000");
    EXPECT_EQ(run->progress.at(1), "pos 0");
    EXPECT_EQ(run->progress.at(run->progress.size() - 2), "pos 10000");
    EXPECT_EQ(run->progress.back(), "pos 0");
    for (std::size_t i = 3; i + 1 < run->progress.size(); ++i) {
        const int before = std::stoi(run->progress[i - 1].substr(4));
        EXPECT_GT(std::stoi(run->progress[i].substr(4)), before) << "call " << i;
    }
}

TEST_F(FaultServerRun, AFileWithoutDotOrLeadingFolderMarkGetsItsFolderNotAFolderInItsPlace)
{
    serveListing({{"Ordner/LIESMICH", kNewTime, 5}, {"NOTIZ", kNewTime, 5}});
    serveFile("Ordner/LIESMICH", OkReply("lies!"));
    serveFile("NOTIZ", OkReply("notiz"));
    fs::create_directories(mainDirectory());
    newRun()->bringUpToDate();
    EXPECT_EQ(ReadFileBytes(localFile("Ordner/LIESMICH")), "lies!");
    EXPECT_EQ(ReadFileBytes(localFile("NOTIZ")), "notiz");
    EXPECT_EQ(StampOf(localFile("Ordner/LIESMICH")), kNewTime);
}

TEST_F(FaultServerRun, ALongPathIsCutToTheStatusLimit)
{
    const std::string path = std::string("./").append(150, 'n').append(".txt");
    serveListing({{path, kNewTime, 4}});
    serveFile(path, OkReply("lang"));
    const auto run = newRun();
    run->bringUpToDate();
    ASSERT_EQ(run->statusTexts.size(), 3u);
    for (const std::string& text : run->statusTexts)
        EXPECT_LE(text.size(), Updater::kStatusLimit);
    EXPECT_EQ(run->statusTexts[1], ("Pr\xFC"
                                    "fe Datei 1/1: " +
                                    path)
                                       .substr(0, Updater::kStatusLimit));
    EXPECT_EQ(ReadFileBytes(localFile(path)), "lang");
}

TEST_F(FaultServerRun, TimesWithGroupDotsCompareAsTheirDigits)
{
    PutFile(localFile("./aktuell.txt"), "aktuell", 1160000000);
    PutFile(localFile("./veraltet.txt"), "alt", 1159999999);
    std::string listing =
        ListingOf("Corvid", {{"./aktuell.txt", 1160000000, 7}, {"./veraltet.txt", 1160000000, 3}});
    for (std::size_t at; (at = listing.find("\x03"
                                            "1160000000\x03")) != std::string::npos;)
        listing.replace(at, 12,
                        "\x03"
                        "1.160.000.000\x03");
    serveListingText(listing);
    serveFile("./veraltet.txt", OkReply("neu"));
    newRun()->bringUpToDate();
    EXPECT_EQ(requestedFiles(), std::vector<std::string>{"./veraltet.txt"});
    EXPECT_EQ(StampOf(localFile("./veraltet.txt")), 1160000000u);
}

TEST_F(FaultServerRun, AMainDirectoryThatCannotBeEnteredEndsTheRunWithoutDownloads)
{
    ASSERT_TRUE(WriteFileBytes(mainDirectory(), "eine Datei, kein Verzeichnis"));
    serveListing({{"./a.txt", kNewTime, 1}});
    serveFile("./a.txt", OkReply("a"));
    const auto run = newRun();
    run->programPath.SetText("./Corvid.exe");
    EXPECT_EQ(run->bringUpToDate(), Updater::RunEnd::Exit);
    EXPECT_EQ(requestedFiles(), std::vector<std::string>{});
    EXPECT_EQ(run->statusTexts, std::vector<std::string>{texts::kReadingListing});
}

TEST_F(FaultServerRun, AnUnreachableServerStillStartsTheProduct)
{
    server_.stop();
    const auto run = newRun();
    run->programPath.SetText("./Corvid.exe");
    EXPECT_EQ(run->bringUpToDate(), Updater::RunEnd::StartProgram);
    EXPECT_EQ(run->statusTexts, (std::vector<std::string>{texts::kReadingListing, "Starte Corvid"}));
}

TEST(Updater, ConsumeDataWithoutAnOpenFileDropsTheBytesButMovesTheProgress)
{
    RecordingUpdater updater;
    EXPECT_TRUE(updater.consumeData("abc", 3));
    EXPECT_TRUE(updater.consumeData("de", 2));
    EXPECT_EQ(updater.progress, (std::vector<std::string>{"pos 3", "pos 5"}));
    EXPECT_EQ(updater.body(), "");
}

} // namespace
