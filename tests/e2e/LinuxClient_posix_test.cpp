// The Linux client brenhold from start to product, as a new user runs it: against the
// demo repository served by jobgate under lighttpd on loopback, with a temporary home.
#include "ChildProcess.h"
#include "LighttpdServer.h"
#include "SignedRepository.h"
#include "TempDir.h"
#include "TerminalSession.h"
#include "shell/DesktopEntry.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <functional>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

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
        // The client's own state folder is not part of the product.
        if (it->path().filename() == ".brenhold") {
            it.disable_recursion_pending();
            continue;
        }
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
                .exitCode == 0 &&
            SignProduct(root(), "Corvid");
    }
    bool made() const { return made_; }
    bool sign() const { return SignProduct(root(), "Corvid"); }
    std::string root() const { return dir_ / "repo"; }
    fs::path listingFile() const { return dir_.path() / "repo" / "Corvid.brenhold-listing"; }
    // Changes a published file after signing, its size kept: what a broken mirror serves.
    void spoil(const std::string& relative) const
    {
        std::string bytes = ReadFileBytes(product() / relative);
        bytes[0] = bytes[0] == 'X' ? 'Y' : 'X';
        WriteFileBytes(product() / relative, bytes);
    }
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
    // The run log lies in a state folder of its own, so that the home shows what the
    // client installed.
    fs::path logFile() const { return dir_.path() / "state" / "Velmora" / "Corvid.log"; }
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
                {"XDG_STATE_HOME", (dir_.path() / "state").string()},
                {"BRENHOLD_UPDATE_SERVER", server.hostPort()}};
    }

    // From here on the client runs as the user nobody, who is given the home and the state
    // folder; but only when the test runs as root, who could write anywhere.
    void becomeNobody()
    {
        if (::geteuid() != 0)
            return;
        constexpr uid_t kNobody = 65534;
        fs::create_directories(dir_.path() / "state");
        fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                         fs::perms::others_read | fs::perms::others_exec);
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir_.path()))
            ASSERT_EQ(::lchown(entry.path().c_str(), kNobody, kNobody), 0) << entry.path();
        asUser_ = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    }

    ProcessResult run(const LighttpdServer& server, const std::string& input,
                      const std::vector<std::string>& options = {},
                      const EnvironmentOverrides& extra = {}) const
    {
        std::vector<std::string> argv = asUser_;
        argv.insert(argv.end(), {BRENHOLD_CLIENT, "Corvid", "./corvid"});
        argv.insert(argv.end(), options.begin(), options.end());
        EnvironmentOverrides overrides = extra;
        for (const auto& variable : environment(server)) {
            if (std::none_of(extra.begin(), extra.end(),
                             [&](const auto& e) { return e.first == variable.first; }))
                overrides.push_back(variable);
        }
        return RunProcess(argv, overrides, input, std::chrono::seconds(60));
    }

    ProcessResult uninstall(const LighttpdServer& server, const std::string& input,
                            const std::vector<std::string>& options) const
    {
        std::vector<std::string> argv{BRENHOLD_CLIENT, "--uninstall", "Corvid"};
        argv.insert(argv.end(), options.begin(), options.end());
        return RunProcess(argv, environment(server), input, std::chrono::seconds(60));
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
    std::vector<std::string> asUser_; // the command that runs the client as another user
};

// The settings file opens with the main directory (the serial of the accepted listing
// follows).
void ExpectMainDirectory(const NewUser& user, const fs::path& installation)
{
    const std::string settings = ReadFileBytes(user.settingsFile());
    EXPECT_EQ(settings.rfind("[MainDirPath]\nCorvid=" + installation.string() + "\n\n", 0), 0u) << settings;
}

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

    ExpectMainDirectory(user, user.installation());

    std::map<std::string, FileFacts> expected = FilesBelow(repository.product());
    expected[kTrace] = {11, 0, 0};
    std::map<std::string, FileFacts> installed = FilesBelow(user.installation());
    ASSERT_EQ(installed.size(), expected.size());
    ASSERT_EQ(installed.count(kTrace), 1u);
    installed[kTrace].mtime = 0; // the product's own file carries the time it ran
    EXPECT_EQ(installed, expected);
    EXPECT_EQ(ReadFileBytes(user.installation() / kTrace), "Corvid ran\n");
    // The record names the listing it follows and the listed files, not the product's own trace.
    const std::string record = ReadFileBytes(user.installation() / ".brenhold/installed");
    EXPECT_EQ(record.rfind("brenhold-record 2 serial=1 digest=", 0), 0u) << record;
    EXPECT_EQ(static_cast<std::size_t>(std::count(record.begin(), record.end(), '\n')), expected.size()) << record;
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
    // Publishing a new version: the file is copied in and gets a newer time, and the
    // maker signs the release.
    WriteFileBytes(repository_.product() / "Hilfe/Lizenz.txt", "Corvid Demo-Lizenz 2\r\n");
    ASSERT_TRUE(SignProduct(repository_.root(), "Corvid"));

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
    ExpectMainDirectory(user, installation);
    EXPECT_EQ(ReadFileBytes(installation / kTrace), "Corvid ran\n");
    ExpectShortcut(user.desktopEntry(), installation);
}

// How many times text occurs in the log.
int TimesLogged(const NewUser& user, const std::string& text)
{
    const std::string log = ReadFileBytes(user.logFile());
    int count = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
        ++count;
    return count;
}

// An unattended run shows nothing on the terminal and tells its end by the exit code.
TEST_F(LinuxClient, QuietRunsShowNothingAndEndWithTheirExitCode)
{
    struct Case {
        const char* what;
        std::vector<std::string> options;
        EnvironmentOverrides environment;
        std::function<void(const DemoRepository&)> change; // before the run
        int exitCode;
        const char* logged;
    };
    const Case cases[] = {
        {"a first installation without --dir",
         {"--quiet"},
         {},
         nullptr,
         3,
         "no main directory is known for Corvid: a quiet first installation needs --dir DIRECTORY"},
        {"the server unreachable",
         {"--quiet", "--dir", "DIR"},
         {{"BRENHOLD_UPDATE_SERVER", "127.0.0.1:1"}},
         nullptr,
         4,
         "end: exit code 4"},
        {"a file spoilt on the server",
         {"--quiet", "--dir", "DIR"},
         {},
         [](const DemoRepository& r) { r.spoil("Daten/corvid.ini"); },
         5,
         "1 file(s) failed: nothing switched"},
        {"an unsigned listing",
         {"--quiet", "--dir", "DIR"},
         {},
         [](const DemoRepository& r) { fs::remove(r.listingFile()); },
         4,
         "listing refused: the listing is not signed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NewUser user;
        if (c.change)
            c.change(repository_);
        std::vector<std::string> options = c.options;
        std::replace(options.begin(), options.end(), std::string("DIR"), user.installation().string());
        const ProcessResult run = user.run(server_, "", options, c.environment);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(TimesLogged(user, c.logged), 1) << ReadFileBytes(user.logFile());
        // Nothing of the product was placed, and nothing started.
        EXPECT_TRUE(FilesBelow(user.installation()).empty());
        EXPECT_FALSE(fs::exists(user.desktopEntry()));
    }
}

TEST_F(LinuxClient, QuietFirstInstallationIntoAGivenDirectoryWithBlanks)
{
    NewUser user;
    const fs::path installation = user.home() / "Meine Programme" / "Corvid";
    const ProcessResult run = user.run(server_, "", {"--quiet", "--dir", installation.string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // The product ran in place of the client, which itself wrote nothing.
    EXPECT_EQ(run.out, std::string(kProductRuns) + "\n");
    EXPECT_EQ(ReadFileBytes(installation / kTrace), "Corvid ran\n");
    ExpectMainDirectory(user, installation);
    ExpectShortcut(user.desktopEntry(), installation);

    fs::remove(installation / kTrace);
    const ProcessResult again = user.run(server_, "", {"--quiet", "--no-start", "--dir", "/elsewhere"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, "");
    EXPECT_FALSE(fs::exists(installation / kTrace));
    EXPECT_NE(again.err.find("--dir is for a first installation and is ignored"), std::string::npos)
        << again.err;
}

// A directory in which this user can make no file is refused before anything is
// installed: an unattended run ends with 3, and the prompt says why and proposes the
// per-user folder ${XDG_DATA_HOME:-~/.local/share}/PRODUCT.
TEST_F(LinuxClient, AnUnwritableDirectoryIsRefusedAndThePerUserFolderProposed)
{
    NewUser user;
    const fs::path locked = user.home() / "gesperrt";
    fs::create_directories(locked);
    user.becomeNobody();
    fs::permissions(locked, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const std::string refused = (locked / "Corvid").string();

    const ProcessResult quiet = user.run(server_, "", {"--quiet", "--dir", refused});
    EXPECT_EQ(quiet.exitCode, 3) << quiet.err;
    EXPECT_EQ(TimesLogged(user, "no file can be made in " + refused + " (--dir)"), 1)
        << ReadFileBytes(user.logFile());
    EXPECT_FALSE(fs::exists(locked / "Corvid"));

    const ProcessResult asked = user.run(server_, refused + "\n\n");
    EXPECT_EQ(asked.exitCode, 0) << asked.err;
    const std::size_t first = asked.out.find(kQuestion);
    const std::size_t refusal =
        asked.out.find("In diesem Verzeichnis k\xc3\xb6nnen keine Dateien angelegt werden: " + refused + "\n");
    const std::size_t second = asked.out.find("Installationsverzeichnis [~/.local/share/Corvid]: ");
    EXPECT_LT(first, refusal) << asked.out;
    EXPECT_LT(refusal, second) << asked.out;
    EXPECT_NE(second, std::string::npos) << asked.out;
    const fs::path perUser = user.home() / ".local" / "share" / "Corvid";
    ExpectMainDirectory(user, perUser);
    EXPECT_EQ(ReadFileBytes(perUser / kTrace), "Corvid ran\n");
}

// The release's version, signed into the listing, is shown while it is installed and
// logged with the accepted listing.
TEST_F(LinuxClient, ShowsAndLogsTheVersionOfTheRelease)
{
    ASSERT_TRUE(SignProduct(repository_.root(), "Corvid", 365, {"--version", "2.1-beta"}));
    NewUser user;
    const ProcessResult first = user.run(server_, "\n");
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.out.find("Version 2.1-beta wird installiert\n"), std::string::npos) << first.out;
    const ProcessResult second = user.run(server_, "");
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out.find("wird installiert"), std::string::npos) << second.out;
    EXPECT_EQ(TimesLogged(user, ", serial 2, version 2.1-beta\n"), 2) << ReadFileBytes(user.logFile());
}

TEST_F(LinuxClient, AnUnknownOptionIsNamedAndNothingRuns)
{
    NewUser user;
    const ProcessResult run = user.run(server_, "", {"--silent"});
    EXPECT_EQ(run.exitCode, 64);
    EXPECT_EQ(run.err, "command line refused: unknown option --silent\n");
    EXPECT_EQ(user.written(), std::vector<std::string>());
}

// Every run appends to the log: start, the run's events, end; a grown log is moved aside.
TEST_F(LinuxClient, TheLogNamesEachRefusedAndFailedFileOnceAndIsRotated)
{
    WriteFileBytes(repository_.product() / "CON.txt", "kein Ger\xC3\xA4tename\n");
    ASSERT_TRUE(repository_.sign());
    repository_.spoil("Hilfe/Lizenz.txt");
    NewUser user;
    const std::string earlier(1024 * 1024 - 100, 'x');
    ASSERT_TRUE(WriteFileBytes(user.logFile(), earlier));

    const ProcessResult run =
        user.run(server_, "", {"--quiet", "--no-start", "--dir", user.installation().string()});
    EXPECT_EQ(run.exitCode, 5) << run.err;
    const std::string log = ReadFileBytes(user.logFile());
    EXPECT_EQ(ReadFileBytes(user.logFile().string() + ".1"), earlier);
    EXPECT_NE(log.find(" start: Brenhold 1.0, command line: Corvid ./corvid --quiet --no-start --dir "),
              std::string::npos)
        << log;
    EXPECT_EQ(TimesLogged(user, "skipped \"./CON.txt\""), 1) << log;
    EXPECT_EQ(TimesLogged(user, "failed \"./Hilfe/Lizenz.txt\""), 1) << log;
    EXPECT_EQ(TimesLogged(user, "Lizenz"), 1) << log;
    EXPECT_EQ(TimesLogged(user, "end: exit code 5\n"), 1) << log;
    // Every line opens with its UTC time stamp.
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        EXPECT_TRUE(line.size() > 21 && line[4] == '-' && line[10] == 'T' && line[19] == 'Z' &&
                    line[20] == ' ')
            << line;
}

TEST_F(LinuxClient, QuietUninstallRemovesWhatWasInstalledAndKeepsTheCustomersFiles)
{
    NewUser user;
    ASSERT_EQ(
        user.run(server_, "", {"--quiet", "--no-start", "--dir", user.installation().string()}).exitCode, 0);
    ASSERT_TRUE(fs::exists(user.desktopEntry()));
    WriteFileBytes(user.installation() / "Daten/Meine Karte.csv", "eigene Daten\n");

    const ProcessResult removal = user.uninstall(server_, "", {"--quiet"});
    EXPECT_EQ(removal.exitCode, 0) << removal.err;
    EXPECT_EQ(removal.out, "");
    std::map<std::string, FileFacts> left = FilesBelow(user.installation());
    EXPECT_EQ(left.size(), 1u);
    EXPECT_EQ(left.count("Daten/Meine Karte.csv"), 1u);
    EXPECT_FALSE(fs::exists(user.installation() / ".brenhold"));
    EXPECT_FALSE(fs::exists(user.installation() / "Hilfe"));
    EXPECT_FALSE(fs::exists(user.desktopEntry()));
    EXPECT_FALSE(fs::exists(user.menuEntry()));
    EXPECT_EQ(ReadFileBytes(user.settingsFile()).find("Corvid="), std::string::npos)
        << ReadFileBytes(user.settingsFile());

    // Removed once more: nothing is installed any longer.
    EXPECT_EQ(user.uninstall(server_, "", {"--quiet"}).exitCode, 3);
}

TEST_F(LinuxClient, UninstallAsksAndAnsweredNoChangesNothing)
{
    NewUser user;
    ASSERT_EQ(
        user.run(server_, "", {"--quiet", "--no-start", "--dir", user.installation().string()}).exitCode, 0);
    const std::map<std::string, FileFacts> before = FilesBelow(user.installation());
    const std::string settings = ReadFileBytes(user.settingsFile());

    const ProcessResult declined = user.uninstall(server_, "n\n", {});
    EXPECT_EQ(declined.exitCode, 2) << declined.err;
    EXPECT_EQ(declined.out, "Soll Corvid vollst\xC3\xA4ndig entfernt werden? [j/n]: ");
    EXPECT_EQ(FilesBelow(user.installation()), before);
    EXPECT_EQ(ReadFileBytes(user.settingsFile()), settings);
    EXPECT_TRUE(fs::exists(user.desktopEntry()));
    EXPECT_TRUE(fs::exists(user.menuEntry()));

    WriteFileBytes(user.installation() / "Notiz.txt", "meine Notiz\n");
    const ProcessResult confirmed = user.uninstall(server_, "j\n", {});
    EXPECT_EQ(confirmed.exitCode, 0) << confirmed.err;
    EXPECT_NE(
        confirmed.out.find("Eigene Dateien wurden nicht entfernt: " + user.installation().string() + "\n"),
        std::string::npos)
        << confirmed.out;
    EXPECT_EQ(FilesBelow(user.installation()).size(), 1u);
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

    const std::string newLauncher(400000, '#');
    const std::string listing = SignedListingOf("Corvid", {{"./corvid", 2000000000, newLauncher}});
    Reply slowFile = OkReply(newLauncher, "application/octet-stream");
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

// The release carries the client: the first build installs, its next build arrives as a file
// of a later release, becomes the copy in .brenhold while that copy runs, and is the client
// of the next start; the desktop entries start through the copy, and lead to the product's
// program again once a release drops start=client.
TEST_F(LinuxClient, UpdatesItselfFromTheReleaseAndStartsThroughItsCopy)
{
    std::vector<std::string> words = {"--client", "./brenhold", "--start-through-client"};
    const auto publishClient = [&](const char* program, std::int64_t time) {
        fs::copy_file(program, repository_.product() / "brenhold", fs::copy_options::overwrite_existing);
        fs::last_write_time(
            repository_.product() / "brenhold",
            fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(time))));
        return SignProduct(repository_.root(), "Corvid", 365, words);
    };
    ASSERT_TRUE(publishClient(BRENHOLD_CLIENT, 1300000000));
    NewUser user;
    ASSERT_EQ(user.run(server_, "\n").exitCode, 0);
    const fs::path copy = user.installation() / ".brenhold" / "brenhold";
    EXPECT_TRUE(ReadFileBytes(copy) == ReadFileBytes(BRENHOLD_CLIENT));
    for (const fs::path& file : {user.desktopEntry(), user.menuEntry()}) {
        DesktopEntry entry;
        ASSERT_TRUE(ParseDesktopEntry(ReadFileBytes(file), entry)) << file;
        EXPECT_EQ(entry.target, copy.string());
        EXPECT_EQ(entry.arguments, "Corvid ./corvid");
        EXPECT_EQ(entry.workingDirectory, user.installation().string());
        EXPECT_EQ(entry.icon, (user.installation() / "corvid").string());
    }

    ASSERT_TRUE(publishClient(BRENHOLD_NEXT_CLIENT, 1300000500));
    // Started as the desktop entry starts it: the copy replaces itself and starts the product.
    const auto runCopy = [&] {
        return RunProcess({copy.string(), "Corvid", "./corvid"}, user.environment(server_), "",
                          std::chrono::seconds(60));
    };
    fs::remove(user.installation() / kTrace);
    const ProcessResult replacing = runCopy();
    EXPECT_EQ(replacing.exitCode, 0) << replacing.err;
    EXPECT_EQ(ReadFileBytes(user.installation() / kTrace), "Corvid ran\n");
    EXPECT_TRUE(ReadFileBytes(copy) == ReadFileBytes(BRENHOLD_NEXT_CLIENT));
    EXPECT_TRUE(ReadFileBytes(user.installation() / ".brenhold" / "brenhold.previous") ==
                ReadFileBytes(BRENHOLD_CLIENT));
    EXPECT_EQ(runCopy().exitCode, 0);
    // Nothing changed: the previous copy stays until the next change.
    EXPECT_TRUE(ReadFileBytes(user.installation() / ".brenhold" / "brenhold.previous") ==
                ReadFileBytes(BRENHOLD_CLIENT));
    words.pop_back();
    ASSERT_TRUE(publishClient(BRENHOLD_NEXT_CLIENT, 1300000500));
    EXPECT_EQ(runCopy().exitCode, 0);
    ExpectShortcut(user.desktopEntry(), user.installation());
    ExpectShortcut(user.menuEntry(), user.installation());
    DesktopEntry back;
    ASSERT_TRUE(ParseDesktopEntry(ReadFileBytes(user.menuEntry()), back));
    EXPECT_EQ(back.arguments, "");
    const std::string log = ReadFileBytes(user.logFile());
    const std::size_t next = log.find("-next, command line: ");
    EXPECT_NE(log.find("shortcuts placed: they start the product's program"), std::string::npos) << log;
    ASSERT_NE(next, std::string::npos) << log;
    // The run that replaced the copy was the first build's, to its end.
    const std::size_t before = log.rfind("start: Brenhold ", log.rfind("start: Brenhold ", next) - 1);
    ASSERT_NE(before, std::string::npos) << log;
    EXPECT_EQ(log.substr(before, log.find('\n', before) - before).find("-next"), std::string::npos) << log;
    EXPECT_NE(log.find("client copy replaced by \"./brenhold\""), std::string::npos) << log;
}

} // namespace
