// The update run with several downloads at once against jobgate under lighttpd, with a
// signed repository: a fresh install and an update give the same files, bytes, times,
// record and status texts as a run with one transfer, also over a slow link.
#include "FaultServerRun.h"
#include "FolderState.h"
#include "LatencyRelay.h"
#include "LighttpdServer.h"
#include "support/ScopedEnvironment_posix.h"
#include "support/SignedRepository.h"
#include "update/LocalPath.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class ParallelLighttpdRun : public ::testing::Test {
protected:
    ParallelLighttpdRun()
    {
        environment_.set("HOME", (base_.path() / "home").string());
        environment_.remove("XDG_CONFIG_HOME");
        environment_.remove("XDG_DATA_HOME");
        fs::create_directories(base_.path() / "home" / "Desktop");
        fs::create_directories(base_.path() / "repo" / "Corvid");
    }

    void SetUp() override
    {
        server_ = std::make_unique<LighttpdServer>((base_.path() / "repo").string());
        ASSERT_TRUE(server_->running());
        environment_.set("BRENHOLD_UPDATE_SERVER", server_->hostPort());
    }

    void publish(const std::string& listedPath, const std::string& bytes, std::uint32_t time)
    {
        PutFile(base_.path() / "repo" / "Corvid" / fs::path(LocalPath(listedPath)), bytes, time);
    }

    void withdraw(const std::string& listedPath)
    {
        fs::remove(base_.path() / "repo" / "Corvid" / fs::path(LocalPath(listedPath)));
    }

    fs::path mainFor(const std::string& transfers) const { return base_.path() / ("Corvid-" + transfers); }

    // A run into the main directory of that many transfers, after the maker signed the
    // repository as it stands.
    std::unique_ptr<RecordingUpdater> run(const std::string& transfers)
    {
        EXPECT_TRUE(SignProduct((base_.path() / "repo").string(), "Corvid"));
        environment_.set("BRENHOLD_TRANSFERS", transfers);
        auto updater = std::make_unique<RecordingUpdater>();
        updater->productName.SetText("Corvid");
        updater->mainDirectory.SetText(mainFor(transfers).string());
        updater->programPath.SetText("./Corvid.exe");
        EXPECT_EQ(updater->bringUpToDate(), Updater::RunEnd::StartProgram);
        EXPECT_EQ(updater->outcome(), Updater::Outcome::Done);
        return updater;
    }

    // Runs with one transfer and with the default (over a relay, when one is given) and
    // expects the same of both, and the repository's files installed.
    void expectBothRunsAlike(const LatencyRelay* relay = nullptr)
    {
        const auto one = run("1");
        if (relay != nullptr)
            environment_.set("BRENHOLD_UPDATE_SERVER", "127.0.0.1:" + std::to_string(relay->port()));
        const auto six = run("6");
        environment_.set("BRENHOLD_UPDATE_SERVER", server_->hostPort());
        EXPECT_EQ(six->statusTexts, one->statusTexts);
        const std::string installed = InstalledState(mainFor("1"));
        EXPECT_EQ(InstalledState(mainFor("6")), installed);
        EXPECT_EQ(RecordedPaths(mainFor("6")), RecordedPaths(mainFor("1")));
        EXPECT_FALSE(fs::exists(mainFor("6") / ".brenhold" / "staging" / "data"));
        EXPECT_EQ(installed, ContentState(base_.path() / "repo" / "Corvid"));
    }

    TempDir base_;
    ScopedEnvironment environment_;
    std::unique_ptr<LighttpdServer> server_;
    CurrentDirectoryGuard directory_;
};

TEST_F(ParallelLighttpdRun, FreshInstallAndUpdateAreTheSameAsWithOneTransfer)
{
    publish("./Corvid.exe", "MZ das Programm", 1300000000);
    publish("./leer.txt", "", 1300000001);
    publish("./Daten/gross.bin", NumberedBytes(700000), 1300000002);
    publish("./Hilfe/\xDC"
            "ber.txt",
            "\xDC"
            "ber Corvid",
            1300000003);
    for (int i = 0; i < 40; ++i)
        publish("./Teile/" + std::to_string(i / 10) + "/teil" + std::to_string(i) + ".dat",
                NumberedBytes(static_cast<std::size_t>(100 + 997 * i)),
                1300000100 + static_cast<std::uint32_t>(i));
    expectBothRunsAlike();

    // The next release: changed, new and withdrawn files.
    publish("./Corvid.exe", "MZ das neue Programm", 1300005000);
    publish("./Teile/1/teil13.dat", "neu", 1300005001);
    publish("./Teile/3/teil39.dat", NumberedBytes(50000) + "!", 1300005002);
    publish("./Neu/neu.txt", "ganz neu", 1300005003);
    withdraw("./Teile/2/teil20.dat");
    withdraw("./leer.txt");
    expectBothRunsAlike();
    EXPECT_FALSE(fs::exists(mainFor("6") / "leer.txt"));
}

TEST_F(ParallelLighttpdRun, OverASlowLinkTheParallelRunFetchesTheSameInstallation)
{
    publish("./Corvid.exe", "MZ das Programm", 1300000000);
    for (int i = 0; i < 24; ++i)
        publish("./Teile/teil" + std::to_string(i) + ".dat",
                NumberedBytes(static_cast<std::size_t>(4096 + 50 * i)),
                1300000100 + static_cast<std::uint32_t>(i));
    LatencyRelay relay(static_cast<std::uint16_t>(server_->port()), std::chrono::milliseconds(15));
    ASSERT_TRUE(relay.running());
    const auto started = std::chrono::steady_clock::now();
    expectBothRunsAlike(&relay);
    // The relay held every exchange up: the listing and the files cost round trips.
    EXPECT_GE(std::chrono::steady_clock::now() - started, 4 * relay.roundTrip());
}

} // namespace
