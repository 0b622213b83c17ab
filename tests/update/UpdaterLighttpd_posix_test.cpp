// The update run in this process against the real update server: jobgate under
// lighttpd, serving a repository the test writes.
#include "FaultServerRun.h"
#include "LighttpdServer.h"
#include "support/ChildProcess.h"
#include "support/ScopedEnvironment_posix.h"
#include "support/SignedRepository.h"
#include "text/UserTexts.h"
#include "update/LocalPath.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

struct RepositoryFile {
    std::string listedPath; // Windows-1252, as listed
    std::string bytes;
    std::uint32_t time;
};

class LighttpdRun : public ::testing::Test {
protected:
    LighttpdRun() : main_(base_.path() / "Programme" / "Corvid")
    {
        environment_.set("HOME", (base_.path() / "home").string());
        environment_.remove("XDG_CONFIG_HOME");
        environment_.remove("XDG_DATA_HOME");
        fs::create_directories(base_.path() / "home" / "Desktop");
        fs::create_directories(productFolder());
    }

    void SetUp() override
    {
        server_ = std::make_unique<LighttpdServer>((base_.path() / "repo").string(), sendfile_);
        ASSERT_TRUE(server_->running());
        environment_.set("BRENHOLD_UPDATE_SERVER", server_->hostPort());
    }

    fs::path productFolder() const { return base_.path() / "repo" / "Corvid"; }

    // Puts a file into the repository; the server lists its modification time.
    void publish(const RepositoryFile& file)
    {
        PutFile(productFolder() / fs::path(LocalPath(file.listedPath)), file.bytes, file.time);
        published_[file.listedPath] = file;
    }

    fs::path localFile(const std::string& listedPath) const
    {
        return main_ / fs::path(LocalPath(listedPath));
    }

    void sign() { EXPECT_TRUE(SignProduct((base_.path() / "repo").string(), "Corvid")); }

    // A run of Corvid into the main directory, with ./Corvid.exe as its program, after
    // the maker signed the repository as it stands.
    std::unique_ptr<RecordingUpdater> run(Updater::RunEnd expectedEnd = Updater::RunEnd::StartProgram)
    {
        sign();
        return runAsSigned(expectedEnd);
    }

    // The same run with the signed listing as it is.
    std::unique_ptr<RecordingUpdater> runAsSigned(Updater::RunEnd expectedEnd = Updater::RunEnd::StartProgram)
    {
        auto updater = std::make_unique<RecordingUpdater>();
        updater->productName.SetText("Corvid");
        updater->mainDirectory.SetText(main_.string());
        updater->programPath.SetText("./Corvid.exe");
        EXPECT_EQ(updater->bringUpToDate(), expectedEnd);
        return updater;
    }

    void expectInstalledAsPublished()
    {
        for (const auto& [path, file] : published_) {
            EXPECT_TRUE(ReadFileBytes(localFile(path)) == file.bytes) << path;
            EXPECT_EQ(StampOf(localFile(path)), file.time) << path;
        }
        EXPECT_FALSE(fs::exists(main_ / ".brenhold" / "staging"));
    }

    // A run of update_kill_run (see there) at point N: its standard output, or the
    // signal that ended it.
    ProcessResult killRun(long n)
    {
        return RunProcess({BRENHOLD_KILL_RUN_BIN, "Corvid", main_.string(), std::to_string(n)}, {}, "",
                          std::chrono::seconds(60));
    }

    // The bytes a run of update_kill_run to its end received.
    unsigned long long bytesOfCompleteRun()
    {
        const ProcessResult result = killRun(0);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        long calls = 0, blocks = 0;
        unsigned long long received = 0;
        EXPECT_EQ(
            std::sscanf(result.out.c_str(), "calls %ld blocks %ld received %llu", &calls, &blocks, &received),
            3)
            << result.out;
        return received;
    }

    bool sendfile_ = true;
    TempDir base_;
    fs::path main_;
    ScopedEnvironment environment_;
    std::unique_ptr<LighttpdServer> server_;
    CurrentDirectoryGuard directory_;
    std::map<std::string, RepositoryFile> published_;
};

const std::string kCheck = "Pr\xFC"
                           "fe Datei ";
const std::string kDownload = "Download der Datei ";

TEST_F(LighttpdRun, FreshInstallFetchesEveryFileWithItsTimeAndPlacesTheShortcuts)
{
    publish({"./Corvid.exe", "MZ das Programm", 1300000001});
    publish({"./Hilfe/\xDC"
             "ber.txt",
             "\xDC"
             "ber Corvid",
             1300000002});
    publish({"./Daten/Bilder/bild.bin", NumberedBytes(300000), 1300000003});
    publish({"./leer.txt", "", 1300000004});

    const auto updater = run();
    expectInstalledAsPublished();
    EXPECT_TRUE(fs::exists(main_ / "Hilfe" /
                           "\xC3\x9C"
                           "ber.txt")); // UTF-8 on disk
    EXPECT_EQ(updater->statusTexts.front(), texts::kReadingListing);
    EXPECT_EQ(updater->statusTexts.back(), "Starte Corvid");
    EXPECT_EQ(updater->textsStartingWith(kDownload).size(), 4u);
    EXPECT_TRUE(fs::exists(base_.path() / "home" / "Desktop" / "Corvid.desktop"));
    EXPECT_TRUE(fs::exists(base_.path() / "home" / ".local" / "share" / "applications" / "Corvid.desktop"));
}

TEST_F(LighttpdRun, OnlyTheSecondOfThreeFilesIsFetchedWithExactlyFourTexts)
{
    publish({"./a.txt", "a", 1300000000});
    publish({"./b.txt", "b", 1300000000});
    publish({"./c.txt", "c", 1300000000});
    PutFile(localFile("./a.txt"), "a", 1300000000);
    PutFile(localFile("./c.txt"), "C", 1400000000); // later than the server's and of its size: current

    const auto updater = run();
    EXPECT_EQ(updater->statusTexts, (std::vector<std::string>{
                                        texts::kReadingListing,
                                        kCheck + "1/3: ./a.txt",
                                        kCheck + "2/3: ./b.txt",
                                        kDownload + "2/3: ./b.txt",
                                        kCheck + "3/3: ./c.txt",
                                        "Starte Corvid",
                                    }));
    EXPECT_EQ(ReadFileBytes(localFile("./b.txt")), "b");
    EXPECT_EQ(ReadFileBytes(localFile("./c.txt")), "C");
}

TEST_F(LighttpdRun, ASecondRunFetchesNothingAndANewerServerFileIsFetchedAgain)
{
    publish({"./Corvid.exe", "MZ eins", 1300000000});
    publish({"./daten.txt", "Fassung 1", 1300000000});
    publish({"./bleibt.txt", "bleibt", 1300000000});
    run();

    const auto second = run();
    EXPECT_EQ(second->textsStartingWith(kDownload), std::vector<std::string>{});
    EXPECT_EQ(second->textsStartingWith(kCheck).size(), 3u);

    publish({"./daten.txt", "Fassung 2, l\xE4nger", 1300000500});
    const auto third = run();
    EXPECT_EQ(third->textsStartingWith(kDownload), std::vector<std::string>{kDownload + "3/3: ./daten.txt"});
    expectInstalledAsPublished();
}

TEST_F(LighttpdRun, ANewFileInANewFolderGetsItsFolder)
{
    publish({"./Corvid.exe", "MZ", 1300000000});
    run();
    publish({"./Neu/Tiefer/neu.txt", "neu", 1300000100});
    const auto updater = run();
    EXPECT_EQ(updater->textsStartingWith(kDownload).size(), 1u);
    EXPECT_TRUE(fs::is_directory(main_ / "Neu" / "Tiefer"));
    expectInstalledAsPublished();
}

TEST_F(LighttpdRun, AnEmptyListingStartsTheProductAtOnce)
{
    const auto updater = run();
    EXPECT_EQ(updater->statusTexts, (std::vector<std::string>{texts::kReadingListing, "Starte Corvid"}));
    EXPECT_TRUE(fs::is_directory(main_));
}

TEST_F(LighttpdRun, AFileMissingAfterSigningSwitchesNothingAndTheNextRunFetchesOnlyIt)
{
    for (int i = 0; i < 10; ++i)
        publish({"./Daten/datei" + std::to_string(i) + ".txt", NumberedBytes(1000 + 100 * i), 1300000000});
    sign();
    const fs::path missing = productFolder() / "Daten" / "datei7.txt";
    fs::rename(missing, base_.path() / "beiseite.txt");

    const auto failed = runAsSigned();
    EXPECT_EQ(failed->outcome(), Updater::Outcome::FilesFailed);
    EXPECT_EQ(InstalledState(main_), "");

    fs::rename(base_.path() / "beiseite.txt", missing);
    EXPECT_EQ(bytesOfCompleteRun(), 1700u);
    expectInstalledAsPublished();
}

// A download cut in the middle (the process killed) is continued from where it stopped,
// whether lighttpd sends the file (X-Sendfile) or jobgate does.
class LighttpdResume : public LighttpdRun, public ::testing::WithParamInterface<bool> {
protected:
    LighttpdResume() { sendfile_ = GetParam(); }
};

TEST_P(LighttpdResume, AKilledDownloadIsContinuedWithTheRestOfTheFile)
{
    const std::size_t size = 8u * 1024 * 1024;
    publish({"./Corvid.exe", "MZ", 1300000000});
    publish({"./Daten/gross.bin", NumberedBytes(size), 1300000000});
    sign();
    // Two blocks for the program and about half of the big file's 32.
    const ProcessResult killed = killRun(18);
    ASSERT_EQ(killed.signal, SIGKILL) << killed.out << killed.err;
    const fs::path staged = main_ / ".brenhold" / "staging" / "data" / "Daten" / "gross.bin";
    const std::uintmax_t stagedBytes = fs::file_size(staged);
    EXPECT_GT(stagedBytes, 0u);
    EXPECT_LT(stagedBytes, size);
    EXPECT_FALSE(fs::exists(localFile("./Daten/gross.bin")));

    EXPECT_EQ(bytesOfCompleteRun(), size - stagedBytes);
    expectInstalledAsPublished();
}

INSTANTIATE_TEST_SUITE_P(SendingModes, LighttpdResume, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "XSendfile" : "Jobgate"); });

} // namespace
