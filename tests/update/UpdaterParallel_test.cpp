// The update run with several downloads at once against the in-process test server: the
// same files, texts and requests as one after the other, progress over the whole run,
// and a fault on one download leaves the installation as it was and the others staged.
#include "FaultServerRun.h"

#include "support/Environment.h"
#include "text/UserTexts.h"
#include "update/ParallelDownloads.h"
#include "update/StagedFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::uint32_t kOldTime = 1000000000;
constexpr std::uint32_t kNewTime = 1100000000;

// Sets BRENHOLD_TRANSFERS for one test, whatever the suite runs with, and puts the old
// value back afterwards (an empty value counts as none).
class TransfersSetting {
public:
    explicit TransfersSetting(const std::string& value)
    {
        const char* old = std::getenv("BRENHOLD_TRANSFERS");
        saved_ = old != nullptr ? old : "";
        SetEnvironment("BRENHOLD_TRANSFERS", value);
    }
    ~TransfersSetting() { SetEnvironment("BRENHOLD_TRANSFERS", saved_); }
    TransfersSetting(const TransfersSetting&) = delete;
    TransfersSetting& operator=(const TransfersSetting&) = delete;

private:
    std::string saved_;
};

// A reply that takes about 100 ms: ten pieces, 10 ms apart, so downloads overlap.
Reply SlowishReply(const std::string& body)
{
    Reply reply = OkReply(body);
    reply.pieceSize = body.size() / 10 + 1;
    reply.pause = 10ms;
    return reply;
}

class ParallelRun : public FaultServerRun {
protected:
    void SetUp() override
    {
        for (int i = 1; i <= 8; ++i) {
            const std::string path = "./Daten/datei" + std::to_string(i) + ".bin";
            files_.push_back({path, kNewTime + static_cast<std::uint32_t>(i), 5000u + 700u * i});
            bytes_.push_back(NumberedBytes(files_.back().size).substr(0, files_.back().size));
            bytes_.back()[0] = static_cast<char>('0' + i);
        }
        serveListing(files_);
    }

    void serveAllGood()
    {
        for (std::size_t i = 0; i < files_.size(); ++i)
            serveFile(files_[i].path, SlowishReply(bytes_[i]));
    }

    std::vector<std::string> expectedTexts() const
    {
        std::vector<std::string> texts{texts::kReadingListing};
        const std::string count = "/" + std::to_string(files_.size()) + ": ";
        for (std::size_t i = 0; i < files_.size(); ++i) {
            texts.push_back("Pr\xFC"
                            "fe Datei " +
                            std::to_string(i + 1) + count + files_[i].path);
            texts.push_back("Download der Datei " + std::to_string(i + 1) + count + files_[i].path);
        }
        return texts;
    }

    void expectInstalled(std::size_t i) const
    {
        EXPECT_TRUE(ReadFileBytes(localFile(files_[i].path)) == bytes_[i]) << files_[i].path;
        EXPECT_EQ(StampOf(localFile(files_[i].path)), files_[i].time) << files_[i].path;
    }

    std::uint64_t totalBytes() const
    {
        std::uint64_t total = 0;
        for (const ListedFile& file : files_)
            total += file.size;
        return total;
    }

    std::vector<ListedFile> files_;
    std::vector<std::string> bytes_;
};

TEST_F(ParallelRun, SixAtOnceFetchTheSameFilesWithTheSameTextsAsOneAtATime)
{
    for (const char* transfers : {"1", "6"}) {
        SCOPED_TRACE(transfers);
        // The run left its main directory current, which Windows does not remove.
        fs::current_path(base_.path());
        fs::remove_all(mainDirectory());
        const std::size_t before = requestedFiles().size();
        TransfersSetting setting(transfers);
        serveAllGood();
        const auto run = newRun();
        run->bringUpToDate();
        EXPECT_EQ(run->outcome(), Updater::Outcome::Done);
        for (std::size_t i = 0; i < files_.size(); ++i)
            expectInstalled(i);
        EXPECT_EQ(run->statusTexts, expectedTexts());
        // The requests are asked for in listing order, one each.
        const std::vector<std::string> all = requestedFiles();
        std::vector<std::string> paths;
        for (const ListedFile& file : files_)
            paths.push_back(file.path);
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()),
                  paths);
        EXPECT_EQ(fs::exists(mainDirectory() / ".brenhold" / "staging" / "data"), false);
    }
    EXPECT_EQ(server_.mostAtOnce(), 6);
}

TEST_F(ParallelRun, TheProgressBarRunsOverTheBytesOfTheWholeRun)
{
    TransfersSetting setting("6");
    serveAllGood();
    const auto run = newRun();
    run->bringUpToDate();
    const std::vector<std::string>& progress = run->progress;
    ASSERT_GE(progress.size(), 4u);
    EXPECT_EQ(progress.front(), "range 0 " + std::to_string(totalBytes()));
    EXPECT_EQ(progress.at(1), "pos 0");
    EXPECT_EQ(progress.at(progress.size() - 2), "pos " + std::to_string(totalBytes()));
    EXPECT_EQ(progress.back(), "pos 0");
    for (std::size_t i = 2; i + 1 < progress.size(); ++i)
        EXPECT_GT(std::stoll(progress[i].substr(4)), std::stoll(progress[i - 1].substr(4))) << "call " << i;
}

TEST_F(ParallelRun, AResumedFileCountsItsStagedBytesAsDone)
{
    TransfersSetting setting("6");
    // A first run that is cut in the middle of the first file stages its first half.
    serveAllGood();
    serveFile(files_[0].path, CutReply(bytes_[0], 2000));
    newRun()->bringUpToDate();
    ASSERT_EQ(fs::file_size(mainDirectory() / StagedFile::DataPath(files_[0].path)), 2000u);

    serveFile(files_[0].path, StatusReply(500, "Internal Server Error", ""));
    const auto run = newRun();
    run->bringUpToDate();
    // Everything but the first file was staged whole by the first run.
    EXPECT_EQ(run->progress.front(), "range 0 " + std::to_string(totalBytes()));
    ASSERT_GE(run->progress.size(), 4u);
    EXPECT_EQ(run->progress.at(2), "pos 2000");
    EXPECT_EQ(run->progress.at(run->progress.size() - 2),
              "pos " + std::to_string(totalBytes() - files_[0].size + 2000));
    EXPECT_EQ(run->progress.back(), "pos 0");
}

const Fault kFaults[] = {
    {"CutBody", [](const std::string& b) { return CutReply(b, b.size() / 2); }},
    {"ResetMidBody", [](const std::string& b) { return ResetReply(b, 300 + b.size() / 3); }},
    {"SilenceAfterHeader", [](const std::string&) { return SilentAfterHeaderReply(); }},
    {"SilenceFromTheStart", [](const std::string&) { return SilentReply(); }},
    {"NotFound", [](const std::string&) { return StatusReply(404, "Not Found", "nicht da"); }},
};

class FaultAmongParallel : public ParallelRun, public ::testing::WithParamInterface<Fault> {};

TEST_P(FaultAmongParallel, LeavesTheInstallationAsItWasAndTheNextRunFetchesOnlyTheMissingFile)
{
    TransfersSetting setting("6");
    PutFile(localFile(files_[0].path), "die alte Fassung", kOldTime);
    serveAllGood();
    const std::size_t faulty = 3;
    serveFile(files_[faulty].path, GetParam().reply(bytes_[faulty]));

    const auto run = newRun();
    run->bringUpToDate();
    EXPECT_EQ(run->outcome(), Updater::Outcome::FilesFailed);
    // Nothing was switched: the old file stays, the new ones are not in place.
    EXPECT_EQ(ReadFileBytes(localFile(files_[0].path)), "die alte Fassung");
    EXPECT_EQ(StampOf(localFile(files_[0].path)), kOldTime);
    for (std::size_t i = 1; i < files_.size(); ++i)
        EXPECT_FALSE(fs::exists(localFile(files_[i].path))) << files_[i].path;
    // The others are staged whole.
    for (std::size_t i = 0; i < files_.size(); ++i) {
        const fs::path staged = mainDirectory() / StagedFile::DataPath(files_[i].path);
        EXPECT_EQ(i != faulty && ReadFileBytes(staged) == bytes_[i], i != faulty) << files_[i].path;
    }

    const std::size_t before = requestedFiles().size();
    serveFile(files_[faulty].path, OkReply(bytes_[faulty]));
    const auto next = newRun();
    next->bringUpToDate();
    EXPECT_EQ(next->outcome(), Updater::Outcome::Done);
    const std::vector<std::string> all = requestedFiles();
    EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()),
              std::vector<std::string>{files_[faulty].path});
    for (std::size_t i = 0; i < files_.size(); ++i)
        expectInstalled(i);
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultAmongParallel, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// A server that closes or resets the connections of the downloads: the run still
// installs every file, and its log names each retry.
struct ConnectionFault {
    const char* name;
    int answers;           // per connection; 0: every answer says "Connection: close"
    bool closesUnanswered; // the request after them is read and left unanswered
    bool resetFirst;       // the first request for the fourth file is reset before the status line
};

void PrintTo(const ConnectionFault& fault, std::ostream* out)
{
    *out << fault.name;
}

const ConnectionFault kConnectionFaults[] = {
    {"ClosedAfterEachAnswer", 1, false, false},
    {"ClosedWhenTheNextRequestComes", 2, true, false},
    {"ResetBeforeTheStatusLineThenSuccess", 0, false, true},
};

class ConnectionFaultAmongParallel : public ParallelRun, public ::testing::WithParamInterface<ConnectionFault> {};

TEST_P(ConnectionFaultAmongParallel, EveryFileIsInstalled)
{
    TransfersSetting setting("3");
    const ConnectionFault& fault = GetParam();
    for (std::size_t i = 0; i < files_.size(); ++i) {
        const Reply reply = SlowishReply(bytes_[i]);
        serveFile(files_[i].path,
                  fault.answers == 0 ? reply : KeptOpenReply(reply, fault.answers, fault.closesUnanswered));
    }
    if (fault.resetFirst)
        queueFileReply(files_[3].path, ResetReply("", 0));

    LinesLog log;
    const auto run = newRun();
    run->log = &log;
    testing::internal::CaptureStderr();
    run->bringUpToDate();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(run->outcome(), Updater::Outcome::Done);
    for (std::size_t i = 0; i < files_.size(); ++i)
        expectInstalled(i);
    EXPECT_EQ(log.count("retry "), fault.resetFirst ? 1 : 0) << ::testing::PrintToString(log.lines);
    EXPECT_EQ(log.count("retry 1 of 3 for \"" + files_[3].path + "\": "), fault.resetFirst ? 1 : 0);
    // Kept connections carry several files: fewer connections than requests.
    if (fault.answers > 1) {
        EXPECT_LT(server_.connections(), static_cast<int>(server_.requests().size()));
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, ConnectionFaultAmongParallel, ::testing::ValuesIn(kConnectionFaults),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConfiguredTransfers, TakesOneToSixteenAndOtherwiseTheBuildConstant)
{
    const struct {
        const char* value;
        int transfers;
        bool reported;
    } cases[] = {
        {"", kDefaultTransfers, false},
        {"1", 1, false},
        {"16", 16, false},
        {"3", 3, false},
        {"0", kDefaultTransfers, true},
        {"17", kDefaultTransfers, true},
        {"-2", kDefaultTransfers, true},
        {"4x", kDefaultTransfers, true},
        {"vier", kDefaultTransfers, true},
        {" 4", kDefaultTransfers, true},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.value);
        TransfersSetting setting(entry.value);
        testing::internal::CaptureStderr();
        EXPECT_EQ(ConfiguredTransfers(), entry.transfers);
        const std::string diagnostics = testing::internal::GetCapturedStderr();
        EXPECT_EQ(diagnostics.empty(), !entry.reported) << diagnostics;
    }
    EXPECT_EQ(kDefaultTransfers, 6);
}

} // namespace
