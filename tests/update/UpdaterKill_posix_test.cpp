// A kill at any moment of an update run, against jobgate under lighttpd with a signed
// repository. Version A is installed and the server holds version B (changed, new and
// withdrawn files, one of 200 MiB among many small ones, and the client's next version,
// named by the header word client=); the run (update_kill_run) ends itself with SIGKILL at
// points spread over its downloads, its switch and the replacement of the client's copy.
// After each kill the copy in .brenhold is the whole client A or B, a run with the server
// stopped leaves exactly A or exactly B, and a run with the server up leaves exactly B.
#include "FaultServerRun.h"
#include "FolderState.h"
#include "LighttpdServer.h"
#include "support/ChildProcess.h"
#include "support/ReplacementBlock.h"
#include "support/SignedRepository.h"
#include "update/LocalPath.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kTimeA = 1300000000;
constexpr std::uint32_t kTimeB = 1400000000;
constexpr std::size_t kBigSize = 200u * 1024 * 1024;
constexpr int kSmallFiles = 25; // in each of two folders, before and after the big file
const char kClientA[] = "Client A";
const char kClientB[] = "Client B, l\xE4nger";
const std::vector<std::string> kClientWord = {"--client", "./Brenhold.exe"};

struct RunReport {
    long calls = 0;
    long blocks = 0;
    unsigned long long received = 0;
};

std::string Numbered(const char* format, int i)
{
    char name[64];
    std::snprintf(name, sizeof name, format, i);
    return name;
}

class KillAnyMoment : public ::testing::Test {
protected:
    KillAnyMoment() : root_(base_.path() / "repo"), main_(base_.path() / "Haupt"), savedA_(base_.path() / "A")
    {}

    fs::path productFolder() const { return root_ / "Corvid"; }

    void publish(const std::string& listedPath, const std::string& bytes, std::uint32_t time)
    {
        PutFile(productFolder() / fs::path(LocalPath(listedPath)), bytes, time);
    }

    void withdraw(const std::string& listedPath)
    {
        fs::remove(productFolder() / fs::path(LocalPath(listedPath)));
    }

    void publishA()
    {
        publish("./Corvid.exe", "MZ Fassung A", kTimeA);
        publish("./Brenhold.exe", kClientA, kTimeA);
        for (int i = 0; i < kSmallFiles; ++i) {
            publish(Numbered("./Anfang/klein%02d.txt", i), "Anfang A " + std::to_string(i), kTimeA);
            publish(Numbered("./Zuletzt/datei%02d.txt", i), "Zuletzt A " + std::to_string(i), kTimeA);
        }
        publish("./Mitte/gross.bin", "noch klein", kTimeA);
        for (int i = 0; i < 4; ++i)
            publish(Numbered("./Weg/alt%d.txt", i),
                    "zur\xFC"
                    "ckgezogen",
                    kTimeA);
        publish("./Zuletzt/weg.txt",
                "zur\xFC"
                "ckgezogen",
                kTimeA);
        ASSERT_TRUE(SignProduct(root_.string(), "Corvid", 365, kClientWord));
    }

    // Changes ten files in each small folder, the program and the big file; adds eleven;
    // withdraws five, which empties the folder Weg.
    void publishB()
    {
        publish("./Corvid.exe", "MZ Fassung B, l\xE4nger", kTimeB);
        publish("./Brenhold.exe", kClientB, kTimeB);
        for (int i = 0; i < 10; ++i) {
            publish(Numbered("./Anfang/klein%02d.txt", i), "Anfang B " + std::to_string(i), kTimeB);
            publish(Numbered("./Zuletzt/datei%02d.txt", i), "Zuletzt B " + std::to_string(i), kTimeB);
            publish(Numbered("./Neu/neu%02d.txt", i), "neu " + std::to_string(i), kTimeB);
        }
        publish("./Zuletzt/neu.txt", "neu", kTimeB);
        publish("./Mitte/gross.bin", NumberedBytes(kBigSize), kTimeB);
        for (int i = 0; i < 4; ++i)
            withdraw(Numbered("./Weg/alt%d.txt", i));
        fs::remove(productFolder() / "Weg");
        withdraw("./Zuletzt/weg.txt");
        ASSERT_TRUE(SignProduct(root_.string(), "Corvid", 365, kClientWord));
    }

    void startServer()
    {
        server_ = std::make_unique<LighttpdServer>(root_.string());
        ASSERT_TRUE(server_->running());
        address_ = server_->hostPort();
    }

    // Stops the server; runs from now on find the port closed.
    void stopServer() { server_.reset(); }

    // One run of update_kill_run; point is its N or sN.
    ProcessResult runClient(const std::string& point) const
    {
        return RunProcess({BRENHOLD_KILL_RUN_BIN, "Corvid", main_.string(), point},
                          {{"BRENHOLD_UPDATE_SERVER", address_}}, "", std::chrono::seconds(120));
    }

    // A run to its end, with what it reported.
    RunReport completeRun() const
    {
        const ProcessResult result = runClient("0");
        RunReport report;
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(std::sscanf(result.out.c_str(), "calls %ld blocks %ld received %llu", &report.calls,
                              &report.blocks, &report.received),
                  3)
            << result.out;
        return report;
    }

    void copyTree(const fs::path& from, const fs::path& to)
    {
        fs::remove_all(to);
        // cp keeps the files' times, which tell the run what is current.
        const ProcessResult copied = RunProcess({"/bin/cp", "-a", from.string(), to.string()});
        ASSERT_EQ(copied.exitCode, 0) << copied.err;
    }

    std::string installedState() const { return InstalledState(main_); }
    std::string clientCopy() const { return ReadFileBytes(main_ / ".brenhold" / "brenhold"); }

    // The runs killed in the switch start from A with every file of B staged, as a run
    // killed just before its journal leaves it, instead of downloading 200 MiB each.
    fs::path stageB()
    {
        const fs::path saved = base_.path() / "A+B";
        copyTree(savedA_, main_);
        EXPECT_EQ(runClient("s1").signal, SIGKILL);
        fs::remove(main_ / ".brenhold" / "journal");
        fs::remove(main_ / ".brenhold" / "installed.next");
        copyTree(main_, saved);
        return saved;
    }

    TempDir base_;
    fs::path root_;
    fs::path main_;
    fs::path savedA_;
    std::unique_ptr<LighttpdServer> server_;
    std::string address_;
};

TEST_F(KillAnyMoment, EveryKillLeavesAOrBAndTheNextRunWithTheServerLeavesB)
{
    publishA();
    startServer();
    completeRun();
    // The customer's own files, in the main directory and in a product folder.
    ASSERT_TRUE(WriteFileBytes(main_ / "meine Notizen.txt", "vom Kunden"));
    ASSERT_TRUE(WriteFileBytes(main_ / "Zuletzt" / "eigene.txt", "vom Kunden"));
    const std::string stateA = installedState();
    ASSERT_NE(stateA.find("Weg/alt0.txt"), std::string::npos);
    ASSERT_EQ(clientCopy(), kClientA);
    copyTree(main_, savedA_);

    publishB();
    const RunReport full = completeRun();
    const std::string stateB = installedState();
    EXPECT_EQ(ReadFileBytes(main_ / "Mitte" / "gross.bin").size(), kBigSize);
    EXPECT_EQ(stateB.find("Weg"), std::string::npos);
    EXPECT_NE(stateB.find("meine Notizen.txt"), std::string::npos);
    EXPECT_NE(stateB.find("Zuletzt/eigene.txt"), std::string::npos);
    EXPECT_EQ(StampOf(main_ / "Mitte" / "gross.bin"), kTimeB);
    EXPECT_EQ(clientCopy(), kClientB);
    const long steps = full.calls - full.blocks;
    // The journal, 23 files set aside, 34 moves, 5 removals, the record and the journal's
    // removal; then the client's copy: written and checked, made ready, the previous one
    // removed, the old copy linked as the previous one, the ready one renamed into place.
    ASSERT_EQ(steps, 70);
    ASSERT_GT(full.blocks, 800);

    // Points in the downloads: the small files before the big one, the big one, and the
    // small ones after it; then points in the switch, the first and last steps included.
    std::vector<std::string> points;
    for (const long n : {1L, 6L, 10L, 11L, 12L})
        points.push_back(std::to_string(n));
    // Late points are counted in bytes: how they fall into blocks differs from run to run.
    const std::uint64_t blockBytes = full.received / static_cast<std::uint64_t>(full.blocks);
    for (int k = 1; k <= 7; ++k)
        points.push_back("b" + std::to_string(full.received * static_cast<std::uint64_t>(k) / 8));
    for (const std::uint64_t back : {20U, 12U, 5U})
        points.push_back("b" + std::to_string(full.received - back * blockBytes));
    for (const long s :
         {1L, 2L, 3L, 12L, 22L, 34L, 45L, 56L, 57L, 60L, 62L, 63L, 64L, 65L, 66L, 67L, 68L, 69L, 70L})
        points.push_back("s" + std::to_string(s));

    const fs::path savedStaged = stageB();

    for (const std::string& point : points) {
        SCOPED_TRACE("killed at " + point);
        copyTree(point[0] == 's' ? savedStaged : savedA_, main_);
        if (!server_)
            startServer();
        const ProcessResult killed = runClient(point);
        ASSERT_EQ(killed.signal, SIGKILL) << killed.out << killed.err;
        const bool inSwitch = point[0] == 's' || fs::exists(main_ / ".brenhold" / "journal");
        EXPECT_TRUE(clientCopy() == kClientA || clientCopy() == kClientB) << clientCopy();

        stopServer();
        const ProcessResult offline = runClient("0");
        EXPECT_EQ(offline.exitCode, 0) << offline.err;
        const std::string afterOffline = installedState();
        EXPECT_TRUE(afterOffline == (inSwitch ? stateB : stateA)) << (inSwitch ? "B" : "A") << " expected";
        EXPECT_FALSE(fs::exists(main_ / ".brenhold" / "journal"));

        startServer();
        completeRun();
        EXPECT_TRUE(installedState() == stateB);
        EXPECT_EQ(clientCopy(), kClientB);
        EXPECT_EQ(ReadFileBytes(main_ / ".brenhold" / "brenhold.previous"), kClientA);
        EXPECT_FALSE(fs::exists(main_ / ".brenhold" / "brenhold.ready"));
        EXPECT_FALSE(fs::exists(main_ / ".brenhold" / "staging"));
        EXPECT_FALSE(fs::exists(main_ / ".brenhold" / "journal"));
        EXPECT_TRUE(!fs::exists(main_ / ".brenhold" / "aside") ||
                    fs::is_empty(main_ / ".brenhold" / "aside"));
    }
    EXPECT_GE(points.size(), 30u);
}

// A file of B that refuses to be replaced: the switch is undone from what it set aside.
// A kill anywhere in that switch and its undo leaves A once the next start has run (the
// file still refusing), and B once the file gives way.
TEST_F(KillAnyMoment, AKillInsideTheUndoOfAFailedSwitchLeavesA)
{
    publishA();
    startServer();
    completeRun();
    const std::string stateA = installedState();
    copyTree(main_, savedA_);
    publishB();
    const fs::path savedStaged = stageB();
    ASSERT_TRUE(installedState() == stateA);
    const fs::path refusing = main_ / "Zuletzt" / "datei05.txt";

    std::unique_ptr<ReplacementBlock> block = std::make_unique<ReplacementBlock>(refusing);
    if (!block->holds())
        GTEST_SKIP() << "needs root on ext4 to make a file immutable";
    const RunReport full = completeRun();
    EXPECT_EQ(installedState(), stateA);
    const long steps = full.calls - full.blocks;
    // The journal, then the moves before the refusing file, then as many undo steps.
    ASSERT_GT(steps, 30);

    for (long point = 1; point <= steps; point += std::max(1L, steps / 14)) {
        SCOPED_TRACE("killed at s" + std::to_string(point));
        block.reset();
        copyTree(savedStaged, main_);
        block = std::make_unique<ReplacementBlock>(refusing);
        ASSERT_EQ(runClient("s" + std::to_string(point)).signal, SIGKILL);

        const ProcessResult next = runClient("0");
        EXPECT_EQ(next.exitCode, 0) << next.err;
        EXPECT_TRUE(installedState() == stateA) << "A expected";
        EXPECT_FALSE(fs::exists(main_ / ".brenhold" / "journal"));
    }
    block.reset();
    completeRun();
    EXPECT_TRUE(fs::exists(main_ / "Mitte" / "gross.bin"));
    EXPECT_EQ(StampOf(main_ / "Mitte" / "gross.bin"), kTimeB);
}

} // namespace
