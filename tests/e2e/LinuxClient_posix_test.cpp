// The Linux client brenhold from start to product, as a new user runs it: against the
// demo repository served by jobgate under lighttpd on loopback, with a temporary home.
#include "ChildProcess.h"
#include "LighttpdServer.h"
#include "TempDir.h"
#include "TerminalSession.h"
#include "filetree/FileTree.h"
#include "filetree/ListingWriter.h"
#include "shell/DesktopEntry.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// The terminal speaks UTF-8, while this file's literals are stored as Windows-1252: texts
// with umlauts are written as UTF-8 bytes.
constexpr char kWelcome[] = "Herzlich Willkommen zur Installation von";
constexpr char kQuestion[] = "Bitte w\xc3\xa4hlen Sie ein Installationsverzeichnis [~/Programme/Corvid]: ";
constexpr char kCancelQuestion[] = "Soll die Installation abgebrochen werden? [j/n]: ";
constexpr char kProductRuns[] = "Corvid l\xc3\xa4uft.";
constexpr char kCheckedLast[] = "Pr\xc3\xbc"
                                "fe Datei 7/7: ./corvid\n";
constexpr char kTrace[] = "corvid-ran.txt";
constexpr int kExitCancelled = 2;

// A file as the client must leave it: size, modification time, and which file it is.
struct FileFacts {
    std::uintmax_t size = 0;
    std::int64_t mtime = 0;
    ino_t inode = 0;
    bool operator==(const FileFacts& other) const { return size == other.size && mtime == other.mtime; }
};

// Every regular file below folder by its path relative to it.
std::map<std::string, FileFacts> FilesBelow(const fs::path& folder)
{
    std::map<std::string, FileFacts> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) == 0 && S_ISREG(info.st_mode))
            files[fs::relative(it->path(), folder).string()] = {static_cast<std::uintmax_t>(info.st_size),
                                                                info.st_mtime, info.st_ino};
    }
    return files;
}

// The demo repository of scripts/make-demo-repo. The Linux client starts the launcher
// corvid, so a stand-in takes the place of the Windows program.
class DemoRepository {
public:
    DemoRepository()
    {
        const std::string standIn = dir_ / "Corvid.exe";
        WriteFileBytes(standIn, "MZ stand-in for the Windows program");
        made_ =
            RunProcess({BRENHOLD_MAKE_DEMO_REPO, dir_ / "repo", standIn}, {}, "", std::chrono::seconds(60))
                .exitCode == 0;
    }
    bool made() const { return made_; }
    std::string root() const { return dir_ / "repo"; }
    fs::path product() const { return dir_.path() / "repo" / "Corvid"; }

private:
    TempDir dir_;
    bool made_ = false;
};

// A user with a fresh home: a desktop folder and nothing else.
class NewUser {
public:
    explicit NewUser(const std::string& homeName = "home") : home_(dir_.path() / homeName)
    {
        fs::create_directories(home_ / "Desktop");
    }
    const fs::path& home() const { return home_; }
    fs::path installation() const { return home_ / "Programme" / "Corvid"; }
    fs::path settingsFile() const { return home_ / ".config" / "Velmora" / "Brenhold.ini"; }
    fs::path desktopEntry() const { return home_ / "Desktop" / "Corvid.desktop"; }
    fs::path menuEntry() const { return home_ / ".local" / "share" / "applications" / "Corvid.desktop"; }

    EnvironmentOverrides environment(const LighttpdServer& server) const
    {
        return {{"HOME", home_.string()},
                {"XDG_CONFIG_HOME", ""},
                {"XDG_DATA_HOME", ""},
                {"BRENHOLD_UPDATE_SERVER", server.hostPort()}};
    }

    ProcessResult run(const LighttpdServer& server, const std::string& input) const
    {
        return RunProcess({BRENHOLD_CLIENT, "Corvid", "./corvid"}, environment(server), input,
                          std::chrono::seconds(60));
    }

    // Everything below the home except the empty desktop folder.
    std::vector<std::string> written() const
    {
        std::vector<std::string> entries;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(home_))
            if (entry.path() != home_ / "Desktop")
                entries.push_back(fs::relative(entry.path(), home_).string());
        return entries;
    }

private:
    TempDir dir_;
    fs::path home_;
};

void ExpectShortcut(const fs::path& file, const fs::path& installation)
{
    SCOPED_TRACE(file.string());
    DesktopEntry entry;
    ASSERT_TRUE(ParseDesktopEntry(ReadFileBytes(file), entry));
    EXPECT_EQ(entry.name, "Corvid");
    EXPECT_EQ(entry.target, (installation / "corvid").string());
    EXPECT_EQ(entry.workingDirectory, installation.string());
}

// The whole first run's result: settings, every listed file, shortcuts, the product ran.
void ExpectInstalledAndStarted(const NewUser& user, const DemoRepository& repository,
                               const ProcessResult& run)
{
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(kWelcome), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Starte Corvid\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(kProductRuns), std::string::npos) << run.out;

    EXPECT_EQ(ReadFileBytes(user.settingsFile()),
              "[MainDirPath]\nCorvid=" + user.installation().string() + "\n");

    std::map<std::string, FileFacts> expected = FilesBelow(repository.product());
    expected[kTrace] = {11, 0, 0};
    std::map<std::string, FileFacts> installed = FilesBelow(user.installation());
    ASSERT_EQ(installed.size(), expected.size());
    ASSERT_EQ(installed.count(kTrace), 1u);
    installed[kTrace].mtime = 0; // the product's own file carries the time it ran
    EXPECT_EQ(installed, expected);
    EXPECT_EQ(ReadFileBytes(user.installation() / kTrace), "Corvid ran\n");
    EXPECT_TRUE(ReadFileBytes(user.installation() / "Daten/Landschaft.dat") ==
                ReadFileBytes(repository.product() / "Daten/Landschaft.dat"));

    ExpectShortcut(user.desktopEntry(), user.installation());
    ExpectShortcut(user.menuEntry(), user.installation());
}

class LinuxClient : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(repository_.made());
        ASSERT_TRUE(server_.running());
    }

    DemoRepository repository_;
    LighttpdServer server_{repository_.root()};
};

TEST_F(LinuxClient, InstallsOnFirstRunAndOnlyStartsOnTheNext)
{
    NewUser user;
    const ProcessResult first = user.run(server_, "\n");
    ExpectInstalledAndStarted(user, repository_, first);
    EXPECT_NE(first.out.find("Download der Datei 7/7: ./corvid\n"), std::string::npos) << first.out;

    const std::map<std::string, FileFacts> before = FilesBelow(user.installation());
    fs::remove(user.installation() / kTrace);
    const ProcessResult second = user.run(server_, "");
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out.find(kWelcome), std::string::npos) << second.out;
    EXPECT_EQ(second.out.find("Download"), std::string::npos) << second.out;
    EXPECT_NE(second.out.find(kCheckedLast), std::string::npos) << second.out;
    EXPECT_EQ(ReadFileBytes(user.installation() / kTrace), "Corvid ran\n");
    // Nothing was replaced: every file is still the one the first run wrote.
    const std::map<std::string, FileFacts> after = FilesBelow(user.installation());
    for (const auto& [path, facts] : before) {
        ASSERT_EQ(after.count(path), 1u) << path;
        if (path != kTrace) {
            EXPECT_EQ(after.at(path).inode, facts.inode) << path;
        }
    }
}

TEST_F(LinuxClient, FetchesOnlyWhatTheServerHasNewer)
{
    NewUser user;
    ASSERT_EQ(user.run(server_, "\n").exitCode, 0);
    // Publishing a new version: the file is copied in and gets a newer time.
    WriteFileBytes(repository_.product() / "Hilfe/Lizenz.txt", "Corvid Demo-Lizenz 2\r\n");

    const ProcessResult second = user.run(server_, "");
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.out.find("Download der Datei 5/7: ./Hilfe/Lizenz.txt\n"), std::string::npos)
        << second.out;
    EXPECT_EQ(second.out.find("Download der Datei 1/7"), std::string::npos) << second.out;
    EXPECT_EQ(ReadFileBytes(user.installation() / "Hilfe/Lizenz.txt"), "Corvid Demo-Lizenz 2\r\n");
}

// A dot in a folder name of the home (a user named first.last) does not stop the
// installation directory from being made.
TEST_F(LinuxClient, InstallsBelowAHomeWithADotInItsName)
{
    NewUser user("vorname.nachname");
    ExpectInstalledAndStarted(user, repository_, user.run(server_, "\n"));
}

TEST_F(LinuxClient, EndOfInputCancelsWithoutWritingOrStarting)
{
    NewUser user;
    const ProcessResult run = user.run(server_, "");
    EXPECT_EQ(run.exitCode, kExitCancelled) << run.err;
    EXPECT_NE(run.out.find(kCancelQuestion), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("Lese Verzeichnisstruktur"), std::string::npos) << run.out;
    EXPECT_EQ(user.written(), std::vector<std::string>());
}

TEST_F(LinuxClient, ConfirmedCancelOnATerminalWritesAndStartsNothing)
{
    NewUser user;
    TerminalSession terminal({BRENHOLD_CLIENT, "Corvid", "./corvid"}, user.environment(server_));
    ASSERT_TRUE(terminal.started());
    ASSERT_TRUE(terminal.waitFor(kQuestion)) << terminal.screen();
    terminal.type("\x04");
    ASSERT_TRUE(terminal.waitFor(kCancelQuestion)) << terminal.screen();
    terminal.type("j\n");
    EXPECT_EQ(terminal.finish(), kExitCancelled) << terminal.screen();
    EXPECT_EQ(user.written(), std::vector<std::string>());
}

TEST_F(LinuxClient, DeclinedCancelOnATerminalAsksAgainAndTakesATypedDirectory)
{
    NewUser user;
    TerminalSession terminal({BRENHOLD_CLIENT, "Corvid", "./corvid"}, user.environment(server_));
    ASSERT_TRUE(terminal.started());
    ASSERT_TRUE(terminal.waitFor(kQuestion)) << terminal.screen();
    terminal.type("\x04");
    ASSERT_TRUE(terminal.waitFor(kCancelQuestion)) << terminal.screen();
    terminal.type("n\n");
    ASSERT_TRUE(terminal.waitFor(kQuestion)) << terminal.screen();
    terminal.type("  ~/Anwendungen/Corvid  \n");
    ASSERT_TRUE(terminal.waitFor(kProductRuns, std::chrono::seconds(60))) << terminal.screen();
    EXPECT_EQ(terminal.finish(), 0) << terminal.screen();

    const fs::path installation = user.home() / "Anwendungen" / "Corvid";
    EXPECT_EQ(ReadFileBytes(user.settingsFile()), "[MainDirPath]\nCorvid=" + installation.string() + "\n");
    EXPECT_EQ(ReadFileBytes(installation / kTrace), "Corvid ran\n");
    ExpectShortcut(user.desktopEntry(), installation);
}

// Ctrl-C while a newer version of the launcher arrives: the run ends as a cancelled
// one, the installed launcher stays as it was, nothing half written is left, and the
// product does not start.
TEST_F(LinuxClient, CtrlCDuringADownloadReplacesAndStartsNothing)
{
    NewUser user;
    ASSERT_EQ(user.run(server_, "\n").exitCode, 0);
    fs::remove(user.installation() / kTrace);
    const std::map<std::string, FileFacts> before = FilesBelow(user.installation());

    FileTree tree;
    StartFileListing(tree, "Corvid");
    const std::size_t size = 400000;
    AddFileRow(tree, "./corvid", 2000000000, size);
    std::string listing;
    ASSERT_TRUE(WriteFileListing(tree, listing));
    Reply slowFile = OkReply(std::string(size, '#'), "application/octet-stream");
    slowFile.pieceSize = 1000;
    slowFile.pause = std::chrono::milliseconds(20); // 8 s for the whole file
    TestHttpServer slowServer;
    slowServer.queueReplies({OkReply(listing), slowFile});
    EnvironmentOverrides environment = user.environment(server_);
    for (auto& [name, value] : environment) {
        if (name == "BRENHOLD_UPDATE_SERVER")
            value = "127.0.0.1:" + std::to_string(slowServer.port());
    }

    TerminalSession terminal({BRENHOLD_CLIENT, "Corvid", "./corvid"}, environment);
    ASSERT_TRUE(terminal.started());
    ASSERT_TRUE(terminal.waitFor("Download der Datei 1/1: ./corvid  [#")) << terminal.screen();
    terminal.type("\x03");
    EXPECT_EQ(terminal.finish(std::chrono::seconds(5)), kExitCancelled) << terminal.screen();
    const std::map<std::string, FileFacts> after = FilesBelow(user.installation());
    EXPECT_EQ(after, before);
    ASSERT_EQ(after.count("corvid"), 1u);
    EXPECT_EQ(after.at("corvid").inode, before.at("corvid").inode);
    EXPECT_EQ(slowServer.requests().size(), 2u);
}

} // namespace
