// A cancelled update run: it ends after the block in hand or at once while it waits,
// removes the partial download, replaces nothing and asks for nothing more.
#include "FaultServerRun.h"

#include "update/InterruptCatch.h"
#include "update/TerminalUpdateView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kOldTime = 1000000000;
constexpr std::uint32_t kNewTime = 1100000000;
const std::string kPath = "./Daten/programm.dat";
const std::string kSecond = "./zweite.dat";
const std::string kOldBytes = "die alte Fassung";

// Cancels when a rule says so, and notes when its idle slot was called.
class CancellingRun : public RecordingUpdater {
public:
    enum class When { firstBlock, afterWaiting };

    explicit CancellingRun(When when) : when_(when) {}

    void setProgressPos(int pos) override
    {
        RecordingUpdater::setProgressPos(pos);
        if (when_ == When::firstBlock && pos > 0)
            requestCancel();
    }
    void idle() override
    {
        const Clock::time_point now = Clock::now();
        if (idleCalls.empty())
            firstIdle = now;
        idleCalls.push_back(now);
        if (when_ == When::afterWaiting && now - firstIdle >= 300ms)
            requestCancel();
    }

    // The longest time between two idle calls.
    Clock::duration longestGap() const
    {
        Clock::duration gap{};
        for (std::size_t i = 1; i < idleCalls.size(); ++i)
            gap = std::max(gap, idleCalls[i] - idleCalls[i - 1]);
        return gap;
    }

    std::vector<Clock::time_point> idleCalls;
    Clock::time_point firstIdle;

private:
    When when_;
};

std::unique_ptr<CancellingRun> NewCancellingRun(CancellingRun::When when, const fs::path& mainDirectory)
{
    auto run = std::make_unique<CancellingRun>(when);
    run->productName.SetText("Corvid");
    run->mainDirectory.SetText(mainDirectory.string());
    run->programPath.SetText(kPath);
    run->trust = ListingTrust(); // unsigned test listings, as in FaultServerRun
    return run;
}

class CancelledRun : public FaultServerRun {
protected:
    void SetUp() override
    {
        PutFile(localFile(kPath), kOldBytes, kOldTime);
        serveListing({{kPath, kNewTime, newBytes_.size()}, {kSecond, kNewTime, 5}});
        serveFile(kSecond, OkReply("zwei!"));
        before_ = InstalledState(mainDirectory());
    }

    // Nothing was replaced, nothing is left half written, the second file was not asked for.
    void expectNothingChanged() const
    {
        EXPECT_EQ(InstalledState(mainDirectory()), before_);
        EXPECT_EQ(requestedFiles(), std::vector<std::string>{kPath});
    }

    const std::string newBytes_ = NumberedBytes(200000);
    std::string before_;
};

int PositionsAboveZero(const RecordingUpdater& run)
{
    return static_cast<int>(std::count_if(run.progress.begin(), run.progress.end(), [](const std::string& p) {
        return p.rfind("pos ", 0) == 0 && p != "pos 0";
    }));
}

TEST_F(CancelledRun, EndsAfterTheBlockInHand)
{
    serveFile(kPath, SplitReply(newBytes_, 1000));
    auto run = NewCancellingRun(CancellingRun::When::firstBlock, mainDirectory());
    EXPECT_EQ(run->bringUpToDate(), Updater::RunEnd::Cancelled);
    EXPECT_EQ(PositionsAboveZero(*run), 1);
    EXPECT_EQ(run->progress.back(), "pos 0");
    expectNothingChanged();
}

// A server that sends a header and falls silent is left at once, not after the 30 s
// stall limit; the connection calls the run while it waits.
TEST_F(CancelledRun, WhileTheServerIsSilentEndsWithoutWaitingForTheStallLimit)
{
    serveFile(kPath, SilentAfterHeaderReply());
    auto run = NewCancellingRun(CancellingRun::When::afterWaiting, mainDirectory());
    run->setTimeouts(kDefaultTimeouts);
    testing::internal::CaptureStderr();
    const Clock::time_point started = Clock::now();
    EXPECT_EQ(run->bringUpToDate(), Updater::RunEnd::Cancelled);
    const Clock::duration took = Clock::now() - started;
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_LT(took, 10s);
    // Waits are cut into slices of 25 ms; a gap near the stall limit means no slices.
    EXPECT_LT(run->longestGap(), 1s);
    EXPECT_GE(run->idleCalls.size(), 5u);
    EXPECT_EQ(diagnostics.find("Nothing received"), std::string::npos) << diagnostics;
    expectNothingChanged();
}

TEST_F(FaultServerRun, ACancelWhileTheListingIsAwaitedTouchesNothing)
{
    server_.setReply(SilentReply());
    auto run = NewCancellingRun(CancellingRun::When::afterWaiting, mainDirectory());
    run->setTimeouts(kDefaultTimeouts);
    EXPECT_EQ(run->bringUpToDate(), Updater::RunEnd::Cancelled);
    EXPECT_FALSE(fs::exists(mainDirectory()));
    EXPECT_EQ(requestedFiles(), std::vector<std::string>{});
}

// Ctrl-C on the terminal: the view notes the signal and the run ends as a cancelled one.
class InterruptedTerminalRun : public TerminalUpdateView {
public:
    explicit InterruptedTerminalRun(std::ostream& out) : TerminalUpdateView(out, false) {}
    void setProgressPos(int pos) override
    {
        TerminalUpdateView::setProgressPos(pos);
        if (pos > 0 && !raised) {
            raised = true;
            std::raise(SIGINT);
        }
    }
    bool raised = false;
};

TEST_F(CancelledRun, CtrlCOnTheTerminalCancelsTheRun)
{
    serveFile(kPath, SplitReply(newBytes_, 1000));
    std::ostringstream out;
    InterruptedTerminalRun run(out);
    run.productName.SetText("Corvid");
    run.mainDirectory.SetText(mainDirectory().string());
    run.trust = ListingTrust();
    Updater::RunEnd end = Updater::RunEnd::Exit;
    {
        const InterruptCatch catching;
        EXPECT_FALSE(InterruptCatch::requested());
        end = run.bringUpToDate();
        EXPECT_TRUE(InterruptCatch::requested());
    }
    EXPECT_TRUE(run.raised);
    EXPECT_EQ(end, Updater::RunEnd::Cancelled);
    expectNothingChanged();
    // The catch is gone with its object: the handler before it is back.
    const auto restored = std::signal(SIGINT, SIG_DFL);
    EXPECT_EQ(restored, SIG_DFL);
}

} // namespace
