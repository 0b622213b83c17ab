// The update run against jobgate under lighttpd with a signed repository: a release the
// maker signed is installed, and every attack on the listing or the files leaves the
// installation exactly as it was and still starts the product.
#include "FaultServerRun.h"
#include "FolderState.h"
#include "LighttpdServer.h"
#include "crypto/Base64.h"
#include "crypto/PublicKey.h"
#include "filetree/PayloadColumns.h"
#include "filetree/SignedListing.h"
#include "support/ChildProcess.h"
#include "support/ScopedEnvironment_posix.h"
#include "support/ReplacementBlock.h"
#include "support/SignedRepository.h"
#include "support/TestSigner.h"
#include "text/UserTexts.h"
#include "update/ListingSerials.h"
#include "update/RunLog.h"

#include <gtest/gtest.h>
#include <zstd.h>

#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

class MemorySerials final : public ListingSerials {
public:
    std::optional<AcceptedListing> lastAccepted(const std::string& product) const override
    {
        if (unreadable)
            return std::nullopt;
        const auto found = serials_.find(product);
        return found == serials_.end() ? AcceptedListing() : found->second;
    }
    void remember(const std::string& product, const AcceptedListing& listing) override
    {
        serials_[product] = listing;
        unreadable = false;
    }
    std::uint64_t lastSerial(const std::string& product) const { return lastAccepted(product).value_or(AcceptedListing()).serial; }

    bool unreadable = false; // as a stored serial that is no number
private:
    std::map<std::string, AcceptedListing> serials_;
};

// A listing re-signed with the development key after edit changed its body.
std::string Resigned(const std::string& listing, const std::function<void(std::string&)>& edit)
{
    const auto parts = SplitListing(listing);
    EXPECT_TRUE(parts.has_value());
    std::string body(parts->body);
    edit(body);
    const auto keys = ParsePublicKeysPem(ReadFileBytes(DevelopmentPublicKey()));
    EXPECT_EQ(keys.size(), 1u);
    const std::string signature = SignForTest(ReadFileBytes(DevelopmentPrivateKey()), body);
    return FormatSignatureBlock({KeyId(keys.at(0)), EncodeBase64(signature)}) + '\x04' + body;
}

class SignedRun : public ::testing::Test {
protected:
    SignedRun() : main_(base_.path() / "Programme" / "Corvid")
    {
        environment_.set("HOME", (base_.path() / "home").string());
        environment_.remove("XDG_DATA_HOME");
        fs::create_directories(base_.path() / "home");
    }

    void SetUp() override
    {
        publish("./Corvid.exe", "MZ Fassung 1", 1300000000);
        publish("./Daten/werte.dat", NumberedBytes(50000), 1300000000);
        ASSERT_TRUE(SignProduct(root(), "Corvid"));
        server_ = std::make_unique<LighttpdServer>(root());
        ASSERT_TRUE(server_->running());
        environment_.set("BRENHOLD_UPDATE_SERVER", server_->hostPort());
    }

    std::string root() const { return (base_.path() / "repo").string(); }
    fs::path listingFile(const std::string& product = "Corvid") const
    {
        return base_.path() / "repo" / (product + ".brenhold-listing");
    }

    void publish(const std::string& listedPath, const std::string& bytes, std::uint32_t time,
                 const std::string& product = "Corvid")
    {
        PutFile(base_.path() / "repo" / product / listedPath, bytes, time);
    }

    // The maker's second release: a new program, signed.
    void publishSecondRelease()
    {
        publish("./Corvid.exe", "MZ Fassung 2", 1300000500);
        ASSERT_TRUE(SignProduct(root(), "Corvid"));
    }

    // A release whose client is ./Brenhold.exe with these bytes; options of jobgate-sign.
    void publishClient(const std::string& bytes, std::uint32_t time, std::vector<std::string> options = {})
    {
        publish("./Brenhold.exe", bytes, time);
        options.insert(options.begin(), {"--client", "./Brenhold.exe"});
        ASSERT_TRUE(SignProduct(root(), "Corvid", 365, options));
    }

    std::string copy() const { return ReadFileBytes(main_ / ".brenhold" / "brenhold"); }
    std::unique_ptr<RecordingUpdater> run(const std::function<void(RecordingUpdater&)>& adjust = {})
    {
        auto updater = std::make_unique<RecordingUpdater>();
        updater->productName.SetText("Corvid");
        updater->mainDirectory.SetText(main_.string());
        updater->programPath.SetText("./Corvid.exe");
        updater->serials = &serials_;
        updater->log = &log_;
        if (adjust)
            adjust(*updater);
        EXPECT_EQ(updater->bringUpToDate(), Updater::RunEnd::StartProgram);
        return updater;
    }

    TempDir base_;
    fs::path main_;
    ScopedEnvironment environment_;
    std::unique_ptr<LighttpdServer> server_;
    CurrentDirectoryGuard directory_;
    MemorySerials serials_;
    LinesLog log_;
};

TEST_F(SignedRun, InstallsASignedReleaseAndASecondRunFetchesNothing)
{
    const auto first = run();
    EXPECT_EQ(first->outcome(), Updater::Outcome::Done);
    EXPECT_EQ(ReadFileBytes(main_ / "Corvid.exe"), "MZ Fassung 1");
    EXPECT_TRUE(ReadFileBytes(main_ / "Daten" / "werte.dat") == NumberedBytes(50000));
    EXPECT_EQ(serials_.lastSerial("Corvid"), 1u);

    const auto second = run();
    EXPECT_EQ(second->textsStartingWith("Download"), std::vector<std::string>{});
    publishSecondRelease();
    run();
    EXPECT_EQ(ReadFileBytes(main_ / "Corvid.exe"), "MZ Fassung 2");
    EXPECT_EQ(serials_.lastSerial("Corvid"), 2u);
}

TEST_F(SignedRun, InstallsAReleaseWhoseHeaderCarriesAWordNoClientKnows)
{
    run();
    publishSecondRelease();
    WriteFileBytes(listingFile(), Resigned(ReadFileBytes(listingFile()), [](std::string& body) {
                       const std::size_t end = body.find('\x03', body.find("expires="));
                       body.insert(end, " word-of-a-later-release=1");
                   }));
    const auto updated = run();
    EXPECT_EQ(updated->outcome(), Updater::Outcome::Done);
    EXPECT_EQ(ReadFileBytes(main_ / "Corvid.exe"), "MZ Fassung 2");
    EXPECT_EQ(serials_.lastSerial("Corvid"), 2u);
}

// Fetched bytes are checked as they arrive; files on the disk are only told by size and
// time, unless a repair hashes each of them against the signed listing.
TEST_F(SignedRun, ARepairFetchesWhatChangedOnTheDiskAndNamesIt)
{
    run();
    const fs::path data = main_ / "Daten" / "werte.dat";
    std::string changed = ReadFileBytes(data);
    changed[100] ^= 1;
    PutFile(data, changed, 1300000000);
    run();
    EXPECT_TRUE(ReadFileBytes(data) == changed);

    const auto repair = run([](RecordingUpdater& updater) { updater.repairs = true; });
    EXPECT_EQ(repair->outcome(), Updater::Outcome::Done);
    EXPECT_TRUE(ReadFileBytes(data) == NumberedBytes(50000));
    EXPECT_EQ(log_.count("repaired \"./Daten/werte.dat\""), 1);
    EXPECT_EQ(log_.count("repaired"), 1);
}

// A release signed anew with no file changed is recorded as the listing the installation
// came from: a later run takes its serial when the stored one cannot be read.
TEST_F(SignedRun, ANewSerialWithNothingToFetchIsRecorded)
{
    run();
    WriteFileBytes(listingFile(), Resigned(ReadFileBytes(listingFile()), [](std::string& body) {
                       body.replace(body.find("serial=1"), 8, "serial=5");
                   }));
    const auto resigned = run();
    EXPECT_EQ(resigned->textsStartingWith("Download"), std::vector<std::string>{});
    std::string firstLine;
    std::getline(std::ifstream(main_ / ".brenhold" / "installed"), firstLine);
    EXPECT_EQ(firstLine.rfind("brenhold-record 2 serial=5 ", 0), 0u) << firstLine;
}

// A stored serial that cannot be read is not taken as 0: the record's serial stands in for
// it, and without a record no listing is taken.
TEST_F(SignedRun, AnUnreadableStoredSerialIsNotTakenAsNone)
{
    serials_.unreadable = true;
    const auto fresh = run();
    EXPECT_EQ(fresh->outcome(), Updater::Outcome::ListingRefused);
    EXPECT_FALSE(fs::exists(main_ / "Corvid.exe"));
    EXPECT_EQ(log_.count("listing refused: the stored serial of the last accepted listing cannot be read"), 1);

    serials_.unreadable = false;
    run();
    publishSecondRelease();
    const std::string second = ReadFileBytes(listingFile());
    run();
    serials_.unreadable = true;
    // The second release's rows under an older serial: the record knows serial 2.
    WriteFileBytes(listingFile(), Resigned(second, [](std::string& body) {
                       const std::size_t at = body.find("serial=2");
                       body.replace(at, 8, "serial=1");
                   }));
    EXPECT_EQ(run()->outcome(), Updater::Outcome::ListingRefused);
    EXPECT_EQ(ReadFileBytes(main_ / "Corvid.exe"), "MZ Fassung 2");
}

// The attack on recovery: a switch that failed once leaves a journal, whose staged file an
// attacker then replaces with bytes of the same size. The next start, with the server out
// of reach, must not install them: it undoes the journal instead.
TEST_F(SignedRun, RecoveryNeverInstallsStagedBytesThatDoNotMatchTheJournal)
{
    run();
    publishSecondRelease();
    std::string journal;
    const auto keepJournal = [&](RecordingUpdater& updater) {
        updater.checkpoint = [&] {
            if (journal.empty())
                journal = ReadFileBytes(main_ / ".brenhold" / "journal");
        };
    };
    {
        ReplacementBlock block(main_ / "Daten" / "werte.dat");
        publish("./Daten/werte.dat", NumberedBytes(50001), 1300000500);
        ASSERT_TRUE(SignProduct(root(), "Corvid"));
        if (!block.holds())
            GTEST_SKIP() << "needs root on ext4 to make a file immutable";
        EXPECT_EQ(run(keepJournal)->outcome(), Updater::Outcome::FilesFailed);
    }
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(ReadFileBytes(main_ / "Corvid.exe"), "MZ Fassung 1");
    const std::string before = InstalledState(main_);

    // The journal back as a kill would have left it, and the attacker's bytes staged.
    WriteFileBytes(main_ / ".brenhold" / "journal", journal);
    WriteFileBytes(main_ / ".brenhold" / "staging" / "data" / "Corvid.exe", "MZ B\xF6sartig!");
    server_.reset();
    const auto offline = run();
    EXPECT_EQ(InstalledState(main_), before);
    EXPECT_EQ(ReadFileBytes(main_ / "Corvid.exe"), "MZ Fassung 1");
    EXPECT_FALSE(fs::exists(main_ / ".brenhold" / "journal"));
    EXPECT_EQ(log_.count("undid an interrupted switch at \"./Corvid.exe\""), 1);
}

// Lines of random letters that compress to about half, to more than one block of the run
// (so that the client decodes them in a thread beside the run, as it does a program file);
// release changes one of them.
std::string HelpText(int release)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string text;
    std::uint64_t state = 1;
    for (int i = 0; i < 24000; ++i) {
        text += i == 12345 ? "Fassung " + std::to_string(release) + " " : std::string("Zeile ");
        for (int letter = 0; letter < 16; ++letter) {
            state = state * 6364136223846793005u + 1442695040888963407u;
            text += kLetters[(state >> 33) % 62];
        }
        text += '\n';
    }
    return text;
}

std::string Zstd(const std::string& bytes)
{
    std::string frame(ZSTD_compressBound(bytes.size()), '\0');
    frame.resize(ZSTD_compress(frame.data(), frame.size(), bytes.data(), bytes.size(), 3));
    return frame;
}

std::string Sha256Text(const std::string& bytes)
{
    Sha256 hash;
    hash.update(bytes.data(), bytes.size());
    return HexDigest(hash.finish());
}

// Releases with payloads: the first signed with compressed forms, the second also with
// patches from the first, whose folder is kept beside the repository.
class PayloadRun : public SignedRun {
protected:
    void SetUp() override
    {
        SignedRun::SetUp();
        publishFirstRelease();
        fs::create_directories(older().parent_path());
        fs::copy(base_.path() / "repo" / "Corvid", older(), fs::copy_options::recursive);
    }

    // The first release again, in the repository and installed; the run's log starts empty.
    void publishFirstRelease()
    {
        publish("./Corvid.exe", "MZ Fassung 1", 1300000000);
        publish("./Hilfe/liesmich.txt", HelpText(1), 1300000000);
        ASSERT_TRUE(SignProduct(root(), "Corvid", 365, {"--compress"}));
    }
    void installFirstRelease()
    {
        fs::remove_all(main_);
        serials_ = MemorySerials();
        publishFirstRelease();
        run();
        log_.lines.clear();
    }

    fs::path older() const { return base_.path() / "older" / "Corvid"; }
    fs::path store() const { return base_.path() / "repo" / "Corvid.brenhold-payload"; }
    std::string helpSha(int release) const { return Sha256Text(HelpText(release)); }
    fs::path patchFile() const { return store() / (helpSha(1) + "-" + helpSha(2) + ".zst"); }
    fs::path compressedFile() const { return store() / (helpSha(2) + ".zst"); }

    void publishPatchedRelease()
    {
        publish("./Hilfe/liesmich.txt", HelpText(2), 1300000500);
        ASSERT_TRUE(SignProduct(root(), "Corvid", 365, {"--compress", "--patches-from", older().string()}));
        ASSERT_TRUE(fs::exists(patchFile()));
        // Larger than a block, so that the compressed form is decoded beside the run.
        ASSERT_GT(fs::file_size(compressedFile()), 256u << 10);
    }

    // The listing re-signed with another "zstd" value for the help text.
    void listCompressedForm(const std::string& value)
    {
        WriteFileBytes(listingFile(), Resigned(ReadFileBytes(listingFile()), [&](std::string& body) {
                           const std::size_t row = body.find("./Hilfe/liesmich.txt");
                           const std::size_t start = body.find('\x03', body.find(helpSha(2), row)) + 1;
                           body.replace(start, body.find('\x03', start) - start, value);
                       }));
    }

    // The first half of the payload in the store, staged as a run cut off would leave it for
    // the second release's help text.
    void stageFirstHalf(const fs::path& payload)
    {
        const std::string bytes = ReadFileBytes(payload);
        const fs::path staged = main_ / ".brenhold" / "staging";
        PutFile(staged / "payload" / "data" / payload.filename(), bytes.substr(0, bytes.size() / 2), 1300000000);
        PutFile(staged / "index",
                "1300000500 " + std::to_string(bytes.size()) + " " + Sha256Text(bytes) + " payload " +
                    payload.filename().string() + "\n",
                1300000000);
    }

    // What the run logged about the help text.
    std::vector<std::string> helpLines() const
    {
        std::vector<std::string> found;
        for (const std::string& line : log_.lines) {
            if (line.find("liesmich.txt") != std::string::npos)
                found.push_back(line);
        }
        return found;
    }

    void expectSecondRelease()
    {
        EXPECT_TRUE(ReadFileBytes(main_ / "Hilfe" / "liesmich.txt") == HelpText(2));
        EXPECT_EQ(InstalledState(main_), ContentState(base_.path() / "repo" / "Corvid"));
        EXPECT_FALSE(fs::exists(main_ / ".brenhold" / "staging"));
    }
};

TEST_F(PayloadRun, AFreshInstallTakesCompressedFormsAndAnUpdateItsPatch)
{
    // jobgate as lighttpd's FastCGI back ends, sending payloads itself; the other tests of
    // payloads run it as CGI program with X-Sendfile.
    server_->stop();
    server_ = std::make_unique<LighttpdServer>(root(), false, true);
    ASSERT_TRUE(server_->running());
    environment_.set("BRENHOLD_UPDATE_SERVER", server_->hostPort());
    EXPECT_EQ(run()->outcome(), Updater::Outcome::Done);
    EXPECT_TRUE(ReadFileBytes(main_ / "Hilfe" / "liesmich.txt") == HelpText(1));
    ASSERT_EQ(helpLines().size(), 1u);
    EXPECT_NE(helpLines()[0].find("as its compressed form"), std::string::npos) << helpLines()[0];
    // Files too small to be worth a compressed form come plain.
    EXPECT_EQ(log_.count("downloaded \"./Corvid.exe\""), 1);

    publishPatchedRelease();
    log_.lines.clear();
    EXPECT_EQ(run()->outcome(), Updater::Outcome::Done);
    ASSERT_EQ(helpLines().size(), 1u);
    EXPECT_NE(helpLines()[0].find("as its patch"), std::string::npos) << helpLines()[0];
    expectSecondRelease();
}

// Each failure of a cheaper form is one log line, and the file comes in the next form within
// the same run: a patch that fails its hash, a compressed form that is missing, no store.
TEST_F(PayloadRun, FallsBackFormByFormInTheSameRun)
{
    const std::vector<std::pair<const char*, std::function<void()>>> spoilers = {
        {"patch changed", [this] {
             std::string patch = ReadFileBytes(patchFile());
             patch[patch.size() / 2] ^= 0x20;
             WriteFileBytes(patchFile(), patch);
         }},
        {"patch and compressed form missing", [this] {
             fs::remove(patchFile());
             fs::remove(compressedFile());
         }},
        {"no store", [this] { fs::remove_all(store()); }},
        // The checksum noted when the file was placed still stands for it while its time and
        // size do: a patch chosen by it is checked like every download.
        {"installed file changed in place", [this] {
             std::string changed = HelpText(1);
             changed[100] ^= 0x20;
             PutFile(main_ / "Hilfe" / "liesmich.txt", changed, 1300000000);
         }},
    };
    const std::vector<std::vector<std::string>> expected = {
        {"the patch of \"./Hilfe/liesmich.txt\" failed: checksum mismatch; fetching its compressed form",
         "as its compressed form"},
        {"the patch of \"./Hilfe/liesmich.txt\" failed: status 404; fetching its compressed form",
         "the compressed form of \"./Hilfe/liesmich.txt\" failed: status 404; fetching the file itself",
         "downloaded \"./Hilfe/liesmich.txt\""},
        {"the patch of", "the compressed form of", "downloaded \"./Hilfe/liesmich.txt\""},
        {"the patch of \"./Hilfe/liesmich.txt\" failed: checksum mismatch", "as its compressed form"},
    };
    for (std::size_t i = 0; i < spoilers.size(); ++i) {
        SCOPED_TRACE(spoilers[i].first);
        installFirstRelease();
        publishPatchedRelease();
        spoilers[i].second();
        log_.lines.clear();
        EXPECT_EQ(run()->outcome(), Updater::Outcome::Done);
        const std::vector<std::string> lines = helpLines();
        ASSERT_EQ(lines.size(), expected[i].size());
        for (std::size_t l = 0; l < lines.size(); ++l)
            EXPECT_NE(lines[l].find(expected[i][l]), std::string::npos) << lines[l];
        expectSecondRelease();
    }
}

// A listed compressed form that is what its listing says but gives other bytes, or endless
// bytes, is caught at the listed size and SHA-256 of the file: nothing of it is installed.
TEST_F(PayloadRun, AHostileCompressedFormNeverReachesTheInstallation)
{
    const std::string cases[][2] = {
        {Zstd(HelpText(3)), "checksum mismatch"},
        {Zstd(std::string(64u << 20, 'A')), "the zstd stream gives more than the listed"},
        {"<html>not zstd</html>", "the zstd stream is malformed"},
        // Larger than a block: it fails in the thread that decodes beside the run.
        {std::string(300u << 10, '<'), "the zstd stream is malformed"},
    };
    for (const auto& [frame, failure] : cases) {
        SCOPED_TRACE(failure);
        installFirstRelease();
        publishPatchedRelease();
        fs::remove(patchFile());
        WriteFileBytes(compressedFile(), frame);
        listCompressedForm(std::to_string(frame.size()) + " " + Sha256Text(frame));
        EXPECT_EQ(run()->outcome(), Updater::Outcome::Done);
        const std::vector<std::string> lines = helpLines();
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_NE(lines[1].find("the compressed form of \"./Hilfe/liesmich.txt\" failed: " + failure), std::string::npos)
            << lines[1];
        expectSecondRelease();
    }
}

// A compressed stream cut off in one run is continued at its byte in the next.
TEST_F(PayloadRun, AStagedPartOfAPayloadIsContinued)
{
    run();
    publishPatchedRelease();
    fs::remove(patchFile());
    const std::string frame = ReadFileBytes(compressedFile());
    stageFirstHalf(compressedFile());
    log_.lines.clear();
    EXPECT_EQ(run()->outcome(), Updater::Outcome::Done);
    const std::vector<std::string> lines = helpLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("as its compressed form"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("resumed at byte " + std::to_string(frame.size() / 2)), std::string::npos) << lines[1];
    expectSecondRelease();
}

// With a payload address in the listing, payloads come by plain GET from a static server (here
// lighttpd serving a copy of the store as files), and a patch cut off in one run is continued
// there with Range in the next.
TEST_F(PayloadRun, PayloadsComeByGetFromTheAddressTheListingNamesAndPatchesResume)
{
    run();
    server_->stop();
    environment_.set("SERVE_REPOSITORY_FILES", "1");
    server_ = std::make_unique<LighttpdServer>(root());
    ASSERT_TRUE(server_->running());
    environment_.set("BRENHOLD_UPDATE_SERVER", server_->hostPort());
    publish("./Hilfe/liesmich.txt", HelpText(2), 1300000500);
    ASSERT_TRUE(SignProduct(root(), "Corvid", 365,
                            {"--compress", "--patches-from", older().string(), "--payload-address", "/repository/mirror/"}));
    // Only the copy is there: jobgate would answer 404 for each payload.
    fs::rename(store(), base_.path() / "repo" / "mirror");
    const std::string patch = ReadFileBytes(base_.path() / "repo" / "mirror" / patchFile().filename());
    stageFirstHalf(base_.path() / "repo" / "mirror" / patchFile().filename());
    log_.lines.clear();
    EXPECT_EQ(run()->outcome(), Updater::Outcome::Done);
    const std::vector<std::string> lines = helpLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("as its patch"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("resumed at byte " + std::to_string(patch.size() / 2)), std::string::npos) << lines[0];
    expectSecondRelease();
}

TEST_F(SignedRun, IgnoresAVersionTextOutsideTheRule)
{
    WriteFileBytes(listingFile(), Resigned(ReadFileBytes(listingFile()), [](std::string& body) {
                       body.insert(body.find('\x03', body.find("expires=")), " version=2.1;rm");
                   }));
    const auto updated = run();
    EXPECT_EQ(updated->outcome(), Updater::Outcome::Done);
    EXPECT_EQ(updated->productVersion(), "");
    EXPECT_EQ(updated->textsStartingWith("Version "), std::vector<std::string>{});
}

// A release's client that cannot become the copy leaves the copy as it is. Each case starts
// from the first release installed, its client the copy.
struct ClientRefusal {
    const char* name;
    void (*prepare)(SignedRun& test, const fs::path& mainDirectory);
    const char* copyAfter;
    const char* logged;
};

void PrintTo(const ClientRefusal& refusal, std::ostream* out)
{
    *out << refusal.name;
}

class ClientRefusals : public SignedRun, public ::testing::WithParamInterface<ClientRefusal> {
public:
    using SignedRun::publishClient;
    using SignedRun::root;
};

const ClientRefusal kClientRefusals[] = {
    {"NotAListedFile",
     [](SignedRun& t, const fs::path&) {
         auto& c = static_cast<ClientRefusals&>(t);
         c.publishClient("Client 2", 1300000200);
         const fs::path listing = c.root() + "/Corvid.brenhold-listing";
         WriteFileBytes(listing, Resigned(ReadFileBytes(listing), [](std::string& body) {
                            const std::size_t at = body.find("client=./Brenhold.exe");
                            body.replace(at, 21, "client=./Fehlt.exe");
                        }));
     },
     "Client 1", "the release's client \"./Fehlt.exe\" is not a listed file"},
    {"InstalledFileChangedUnderTheSameTime",
     [](SignedRun&, const fs::path& main) {
         // An older client's copy, without the record of a replacement, which the run would
         // replace by the release's client.
         WriteFileBytes(main / ".brenhold" / "brenhold", "Client 0");
         fs::remove(main / ".brenhold" / "brenhold.sha256");
         const auto time = fs::last_write_time(main / "Brenhold.exe");
         WriteFileBytes(main / "Brenhold.exe", "Client X");
         fs::last_write_time(main / "Brenhold.exe", time);
     },
     "Client 0", "the listed client \"./Brenhold.exe\" does not match its listed SHA-256"},
};

TEST_P(ClientRefusals, LeaveTheCopyAsItIsAndSayWhy)
{
    publishClient("Client 1", 1300000100);
    run();
    GetParam().prepare(*this, main_);
    ::testing::internal::CaptureStderr();
    run();
    const std::string diagnostics = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(copy(), GetParam().copyAfter);
    EXPECT_EQ(log_.count(GetParam().logged), 1) << ::testing::PrintToString(log_.lines);
    EXPECT_NE(diagnostics.find(GetParam().logged), std::string::npos) << diagnostics;
    EXPECT_FALSE(fs::exists(main_ / ".brenhold" / "brenhold.part"));
}

INSTANTIATE_TEST_SUITE_P(Signed, ClientRefusals, ::testing::ValuesIn(kClientRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

struct Attack {
    const char* name;
    // Everything up to the attacked run: the server then serves the attacker's answer.
    void (*prepare)(SignedRun& test);
    Updater::Outcome outcome;
};

void PrintTo(const Attack& attack, std::ostream* out)
{
    *out << attack.name;
}

class Attacks : public SignedRun, public ::testing::WithParamInterface<Attack> {
public:
    using SignedRun::listingFile;
    using SignedRun::publish;
    using SignedRun::publishSecondRelease;
    using SignedRun::root;
    using SignedRun::run;
};

const Attack kAttacks[] = {
    {"FileChangedOnTheServerWithItsSizeKept",
     [](SignedRun& t) {
         static_cast<Attacks&>(t).publishSecondRelease();
         static_cast<Attacks&>(t).publish("./Corvid.exe", "MZ B\xF6sartig!", 1300000500);
     },
     Updater::Outcome::FilesFailed},
    {"OneByteOfTheListingChanged",
     [](SignedRun& t) {
         auto& a = static_cast<Attacks&>(t);
         a.publishSecondRelease();
         std::string listing = ReadFileBytes(a.listingFile());
         const std::size_t at = listing.find("1300000500");
         ASSERT_NE(at, std::string::npos);
         listing[at + 9] = '9';
         WriteFileBytes(a.listingFile(), listing);
     },
     Updater::Outcome::ListingRefused},
    {"SignedByAnUntrustedKey",
     [](SignedRun& t) {
         auto& a = static_cast<Attacks&>(t);
         a.publish("./Corvid.exe", "MZ B\xF6sartig, l\xE4nger", 1300000500);
         const std::string key = a.root() + "/../fremd.pem";
         ASSERT_EQ(RunProcess({JobgateSignProgram(), "keygen", key}).exitCode, 0);
         ASSERT_EQ(RunProcess({JobgateSignProgram(), "sign", "--key", key, a.root(), "Corvid"}).exitCode, 0);
     },
     Updater::Outcome::ListingRefused},
    {"AnotherProductsListing",
     [](SignedRun& t) {
         auto& a = static_cast<Attacks&>(t);
         a.publish("./Corvid.exe", "MZ aus einem anderen Produkt", 1300000500, "Lumaro");
         ASSERT_TRUE(SignProduct(a.root(), "Lumaro"));
         fs::copy_file(a.listingFile("Lumaro"), a.listingFile(), fs::copy_options::overwrite_existing);
     },
     Updater::Outcome::ListingRefused},
    {"AnOlderListingReplayedAfterANewerOne",
     [](SignedRun& t) {
         auto& a = static_cast<Attacks&>(t);
         const std::string first = ReadFileBytes(a.listingFile());
         a.publishSecondRelease();
         a.run();
         // The first release's listing and program, as a mirror that kept them would serve.
         a.publish("./Corvid.exe", "MZ Fassung 1", 1300000000);
         WriteFileBytes(a.listingFile(), first);
     },
     Updater::Outcome::ListingRefused},
    {"AnExpiredListing",
     [](SignedRun& t) {
         auto& a = static_cast<Attacks&>(t);
         a.publishSecondRelease();
         const std::string listing = ReadFileBytes(a.listingFile());
         WriteFileBytes(a.listingFile(), Resigned(listing, [](std::string& body) {
                            const std::size_t at = body.find("expires=");
                            const std::size_t end = body.find('\x03', at);
                            body.replace(at, end - at, "expires=" + std::to_string(std::time(nullptr) - 60));
                        }));
     },
     Updater::Outcome::ListingRefused},
    {"ASerialAcceptedBeforeWithOtherContent",
     [](SignedRun& t) {
         auto& a = static_cast<Attacks&>(t);
         const std::string first = ReadFileBytes(a.listingFile());
         a.publish("./Corvid.exe", "MZ B\xF6sartig!", 1300000500);
         ASSERT_TRUE(SignProduct(a.root(), "Corvid"));
         // The new rows under the serial the client accepted already.
         WriteFileBytes(a.listingFile(), Resigned(ReadFileBytes(a.listingFile()), [](std::string& body) {
                            const std::size_t at = body.find("serial=2");
                            body.replace(at, 8, "serial=1");
                        }));
         ASSERT_NE(ReadFileBytes(a.listingFile()), first);
     },
     Updater::Outcome::ListingRefused},
    {"AnUnsignedListing",
     [](SignedRun& t) {
         auto& a = static_cast<Attacks&>(t);
         a.publish("./Corvid.exe", "MZ ohne Unterschrift", 1300000500);
         fs::remove(a.listingFile());
     },
     Updater::Outcome::ListingRefused},
    {"APreambleOf1022BytesOfGarbage",
     [](SignedRun& t) {
         auto& a = static_cast<Attacks&>(t);
         a.publishSecondRelease();
         const std::string listing = ReadFileBytes(a.listingFile());
         WriteFileBytes(a.listingFile(), std::string(1022, 'x') + listing.substr(listing.find('\x04')));
     },
     Updater::Outcome::ListingRefused},
};

TEST_P(Attacks, LeaveTheInstallationAsItWasAndStartTheProduct)
{
    run();
    GetParam().prepare(*this);
    // The client's own state folder may keep what a failed run staged.
    const fs::path state = main_ / ".brenhold";
    const std::string before = FolderState(main_, state);

    ::testing::internal::CaptureStderr();
    const auto attacked = run();
    const std::string diagnostics = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(FolderState(main_, state), before) << diagnostics;
    EXPECT_EQ(attacked->outcome(), GetParam().outcome) << diagnostics;
    EXPECT_EQ(attacked->statusTexts.back(), "Starte Corvid");
    const bool untrusted = GetParam().outcome == Updater::Outcome::ListingRefused;
    EXPECT_EQ(!attacked->textsStartingWith(texts::kListingUntrusted).empty(), untrusted);
    EXPECT_NE(diagnostics.find(untrusted ? "Listing refused: " : "checksum mismatch"), std::string::npos)
        << diagnostics;
}

INSTANTIATE_TEST_SUITE_P(Signed, Attacks, ::testing::ValuesIn(kAttacks),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
