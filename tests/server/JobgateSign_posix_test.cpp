// The maker's tool jobgate-sign run as a program, its keys and signatures checked with the
// openssl command, which shares no code with it beyond the library.
#include "ChildProcess.h"
#include "FileHash.h"
#include "ListingSigner.h"
#include "TestRepository.h"
#include "codec/ZstdDecoder.h"
#include "crypto/Signature.h"
#include "filetree/PayloadColumns.h"
#include "filetree/SignedListing.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <functional>
#include <sstream>

namespace {

const std::string kOpenssl = "/usr/bin/openssl";
constexpr std::uint64_t kDay = 86400;

ProcessResult Tool(std::vector<std::string> args)
{
    args.insert(args.begin(), BRENHOLD_JOBGATE_SIGN_BIN);
    return RunProcess(args);
}

ProcessResult Openssl(std::vector<std::string> args, const std::string& input = "")
{
    args.insert(args.begin(), kOpenssl);
    return RunProcess(args, {}, input);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void SetTime(const std::string& path, std::uint32_t time)
{
    const timespec times[2] = {{static_cast<time_t>(time), 0}, {static_cast<time_t>(time), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

std::uint64_t Now()
{
    return static_cast<std::uint64_t>(std::time(nullptr));
}

// The signed listing of the repository's product Corvid.
std::string ListingPath(const TestRepository& repository, const std::string& product = "Corvid")
{
    return repository.root() + "/" + product + ".brenhold-listing";
}

// The mark of the highest serial signed, beside the listing.
std::string MarkPath(const TestRepository& repository)
{
    return repository.root() + "/Corvid.brenhold-serial";
}

ListingValidity ValidityOf(const std::string& listing)
{
    FileTree tree;
    tree.readListing(listing);
    return ParseValidity(tree.headerText2).value_or(ListingValidity{});
}

class SignTool : public ::testing::Test {
protected:
    // A key pair made by keygen: the private key's path; the public key is beside it as .pub.
    std::string makeKey(const std::string& name)
    {
        const std::string path = keys_ / (name + ".pem");
        const ProcessResult made = Tool({"keygen", path});
        EXPECT_EQ(made.exitCode, 0) << made.err;
        EXPECT_TRUE(WriteFileBytes(path + ".pub", made.out));
        return path;
    }

    // A private key made by the openssl command, and its public key beside it as .pub.
    std::string makeOpensslKey(const std::string& name, std::vector<std::string> command)
    {
        const std::string path = keys_ / (name + ".pem");
        command.insert(command.end(), {"-out", path});
        const ProcessResult made = Openssl(command);
        EXPECT_EQ(made.exitCode, 0) << made.err;
        const ProcessResult pub = Openssl({"pkey", "-in", path, "-pubout", "-out", path + ".pub"});
        EXPECT_EQ(pub.exitCode, 0) << pub.err;
        return path;
    }

    ProcessResult sign(const std::string& key, const TestRepository& repository,
                       std::vector<std::string> extra = {})
    {
        std::vector<std::string> args = {"sign", "--key", key};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), {repository.root(), "Corvid"});
        return Tool(args);
    }

    ProcessResult check(const std::string& key, const TestRepository& repository,
                        const std::string& product = "Corvid")
    {
        return Tool({"check", "--public", key + ".pub", repository.root(), product});
    }

    // Whether openssl finds the signed listing's signature valid for the public key.
    bool opensslVerifies(const std::string& listing, const std::string& publicKey)
    {
        const auto parts = SplitListing(listing);
        const auto block = parts ? ParseSignatureBlock(parts->preamble) : std::nullopt;
        if (!block)
            return false;
        const ProcessResult der = Openssl({"base64", "-d", "-A"}, block->signatureBase64);
        EXPECT_EQ(der.exitCode, 0) << der.err;
        WriteFileBytes(keys_ / "signature.der", der.out);
        WriteFileBytes(keys_ / "body", std::string(parts->body));
        const ProcessResult verified = Openssl(
            {"dgst", "-sha256", "-verify", publicKey, "-signature", keys_ / "signature.der", keys_ / "body"});
        return verified.exitCode == 0 && verified.out == "Verified OK\n";
    }

    TestRepository repository_;
    TempDir keys_;
};

TEST_F(SignTool, KeygenWritesAPrivateKeyOnlyItsOwnerReadsAndNeverOverwrites)
{
    const std::string key = keys_ / "maker.pem";
    const ProcessResult made = Tool({"keygen", key});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(made.out.rfind("-----BEGIN PUBLIC KEY-----\n", 0), 0u) << made.out;
    struct stat st {};
    ASSERT_EQ(::stat(key.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    // The public key printed is the private key's own, as openssl derives it.
    const ProcessResult derived = Openssl({"pkey", "-in", key, "-pubout"});
    EXPECT_EQ(derived.exitCode, 0) << derived.err;
    EXPECT_EQ(derived.out, made.out);
    const ProcessResult curve = Openssl({"pkey", "-in", key, "-noout", "-text"});
    EXPECT_NE(curve.out.find("NIST CURVE: P-256"), std::string::npos) << curve.out;

    const std::string before = ReadFileBytes(key);
    const std::string other = keys_ / "other.pem";
    ASSERT_TRUE(WriteFileBytes(other, "kept"));
    for (const std::string& path : {key, other}) {
        SCOPED_TRACE(path);
        const ProcessResult again = Tool({"keygen", path});
        EXPECT_EQ(again.exitCode, 1);
        EXPECT_EQ(again.out, "");
        EXPECT_NE(again.err.find("exists already"), std::string::npos) << again.err;
    }
    EXPECT_EQ(ReadFileBytes(key), before);
    EXPECT_EQ(ReadFileBytes(other), "kept");
}

TEST_F(SignTool, SignatureVerifiesWithOpensslOverTheBody)
{
    const std::string key = makeKey("maker");
    const ProcessResult signedRun = sign(key, repository_);
    ASSERT_EQ(signedRun.exitCode, 0) << signedRun.err;
    const std::string listing = ReadFileBytes(ListingPath(repository_));
    EXPECT_TRUE(opensslVerifies(listing, key + ".pub"));

    // The key id is the start of SHA-256 of the public key's DER, as openssl computes it.
    ASSERT_EQ(Openssl({"pkey", "-pubin", "-in", key + ".pub", "-outform", "DER", "-out", keys_ / "pub.der"})
                  .exitCode,
              0);
    const ProcessResult digest = Openssl({"dgst", "-sha256", "-r", keys_ / "pub.der"});
    const std::string keyId = digest.out.substr(0, 16);
    const auto block = ParseSignatureBlock(SplitListing(listing)->preamble);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->keyId, keyId);

    const ListingValidity validity = ValidityOf(listing);
    char date[16];
    const auto expires = static_cast<std::time_t>(validity.expires);
    std::strftime(date, sizeof date, "%Y-%m-%d", std::gmtime(&expires));
    EXPECT_EQ(signedRun.out, "Corvid: serial 1, expires " + std::string(date) + " (UTC), key " + keyId +
                                 ", " + std::to_string(repository_.files().size()) + " files\n");

    // The signature covers every byte after the preamble.
    std::string altered = listing;
    altered.back() = '\x04';
    EXPECT_FALSE(opensslVerifies(altered, key + ".pub"));
}

TEST_F(SignTool, SignedListingHoldsTheUnsignedRowsAndEachFilesHash)
{
    const std::string key = makeKey("maker");
    const std::uint64_t before = Now();
    ASSERT_EQ(sign(key, repository_).exitCode, 0);
    const std::string path = ListingPath(repository_);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);

    FileTree plain, listed;
    plain.readListing(repository_.expectedListing());
    listed.readListing(ReadFileBytes(path));
    EXPECT_EQ(listed.headerCode, 15u);
    EXPECT_EQ(listed.headerNumber, kSignedListingLayout);
    EXPECT_EQ(listed.headerText1, "Corvid");
    const auto validity = ParseValidity(listed.headerText2);
    ASSERT_TRUE(validity.has_value()) << listed.headerText2;
    EXPECT_EQ(validity->serial, 1u);
    EXPECT_GE(validity->expires, before + 365 * kDay);
    EXPECT_LE(validity->expires, Now() + 365 * kDay);

    ASSERT_EQ(listed.rowCount(), plain.rowCount());
    for (std::size_t r = 0; r < plain.rowCount(); ++r) {
        const ExpectedFile& file = repository_.files()[r];
        SCOPED_TRACE(file.diskPath);
        const FileTreeRow& row = *listed.rowAt(r);
        ASSERT_EQ(row.valueCount(), 4u);
        for (std::size_t v = 0; v < 3; ++v)
            EXPECT_EQ(row.valueAt(v)->text, plain.rowAt(r)->valueAt(v)->text);
        const ProcessResult digest =
            Openssl({"dgst", "-sha256", "-r", repository_.root() + "/Corvid/" + file.diskPath});
        EXPECT_EQ(row.valueAt(3)->text, digest.out.substr(0, 64));
    }
}

TEST_F(SignTool, KeysMadeByOpensslWork)
{
    const std::pair<const char*, std::vector<std::string>> commands[] = {
        {"ecparam", {"ecparam", "-name", "prime256v1", "-genkey", "-noout"}},
        {"ecparam-with-parameters", {"ecparam", "-name", "prime256v1", "-genkey"}},
        {"genpkey", {"genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256"}},
    };
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        const std::string key = makeOpensslKey(name, command);
        const ProcessResult signedRun = sign(key, repository_);
        ASSERT_EQ(signedRun.exitCode, 0) << signedRun.err;
        EXPECT_TRUE(opensslVerifies(ReadFileBytes(ListingPath(repository_)), key + ".pub"));
        const ProcessResult checked = check(key, repository_);
        EXPECT_EQ(checked.exitCode, 0) << checked.out << checked.err;
    }
}

TEST_F(SignTool, RefusesKeysOfOtherTypesAndCurves)
{
    const std::pair<const char*, std::vector<std::string>> commands[] = {
        {"RSA", {"genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:1024"}},
        {"ED25519", {"genpkey", "-algorithm", "ED25519"}},
        {"secp384r1", {"ecparam", "-name", "secp384r1", "-genkey", "-noout"}},
        {"secp256k1", {"ecparam", "-name", "secp256k1", "-genkey", "-noout"}},
    };
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        const std::string key = makeOpensslKey(name, command);
        const ProcessResult signedRun = sign(key, repository_);
        EXPECT_EQ(signedRun.exitCode, 1);
        EXPECT_NE(signedRun.err.find(name), std::string::npos) << signedRun.err;
        EXPECT_NE(signedRun.err.find("P-256"), std::string::npos) << signedRun.err;
        EXPECT_FALSE(std::filesystem::exists(ListingPath(repository_)));
        const ProcessResult checked = check(key, repository_);
        EXPECT_EQ(checked.exitCode, 2);
        EXPECT_NE(checked.err.find("P-256"), std::string::npos) << checked.err;
    }
    ASSERT_TRUE(WriteFileBytes(keys_ / "text.pem", "not a key\n"));
    EXPECT_EQ(sign(keys_ / "text.pem", repository_).exitCode, 1);
}

TEST_F(SignTool, SerialCountsUpAndAnUnreadableListingStopsSigning)
{
    const std::string key = makeKey("maker");
    for (std::uint64_t serial = 1; serial <= 3; ++serial) {
        const std::uint64_t before = Now();
        ASSERT_EQ(sign(key, repository_, {"--valid-days", "2"}).exitCode, 0);
        const ListingValidity validity = ValidityOf(ReadFileBytes(ListingPath(repository_)));
        EXPECT_EQ(validity.serial, serial);
        EXPECT_EQ(ReadFileBytes(MarkPath(repository_)), std::to_string(serial) + "\n");
        EXPECT_GE(validity.expires, before + 2 * kDay);
        EXPECT_LE(validity.expires, Now() + 2 * kDay);
    }
    const std::string unreadable[] = {"garbage", repository_.expectedListing()};
    for (const std::string& text : unreadable) {
        ASSERT_TRUE(WriteFileBytes(ListingPath(repository_), text));
        const ProcessResult refused = sign(key, repository_);
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_NE(refused.err.find("serial"), std::string::npos) << refused.err;
        EXPECT_EQ(ReadFileBytes(ListingPath(repository_)), text);
    }
}

TEST_F(SignTool, SerialGoesAboveEverySerialItSeesOrSigningStops)
{
    const std::string key = makeKey("maker");
    const std::string top = "18446744073709551615";
    const struct {
        const char* what;
        std::optional<std::string> listingSerial, mark; // none: no such file
        std::uint64_t next;                             // 0: refused
        std::string complaint = {};
    } cases[] = {
        {"listing absent, mark present", std::nullopt, "7\n", 8},
        {"listing put back lower than the mark", "3", "9\n", 10},
        {"mark lower than the listing", "5", "2\n", 6},
        {"no mark yet", "4", std::nullopt, 5},
        {"mark not a number", "4", "x\n", 0, "Corvid.brenhold-serial: not one decimal number"},
        {"mark with a leading zero", "4", "07\n", 0, "not one decimal number"},
        {"mark of two numbers", "4", "7\n8\n", 0, "not one decimal number"},
        {"mark beyond 64 bits", "4", "18446744073709551616\n", 0, "does not fit 64 bits"},
        {"mark at the largest serial", "4", top + "\n", 0, "no higher serial can be signed"},
        {"listing at the largest serial", top, std::nullopt, 0, "no higher serial can be signed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestRepository repository;
        ASSERT_EQ(sign(key, repository).exitCode, 0);
        std::string listing = ReadFileBytes(ListingPath(repository));
        if (c.listingSerial) {
            // jobgate-sign reads the serial without verifying the signature.
            listing.replace(listing.find("serial=1 "), 9, "serial=" + *c.listingSerial + " ");
            ASSERT_TRUE(WriteFileBytes(ListingPath(repository), listing));
        } else {
            std::filesystem::remove(ListingPath(repository));
        }
        std::filesystem::remove(MarkPath(repository));
        if (c.mark) {
            ASSERT_TRUE(WriteFileBytes(MarkPath(repository), *c.mark));
        }

        const ProcessResult run = sign(key, repository);
        if (c.next == 0) {
            EXPECT_EQ(run.exitCode, 1) << run.out;
            EXPECT_NE(run.err.find(c.complaint), std::string::npos) << run.err;
            EXPECT_EQ(std::filesystem::exists(ListingPath(repository)), c.listingSerial.has_value());
            EXPECT_EQ(ReadFileBytes(ListingPath(repository)), c.listingSerial ? listing : "");
            EXPECT_EQ(ReadFileBytes(MarkPath(repository)), c.mark.value_or(""));
            continue;
        }
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(ValidityOf(ReadFileBytes(ListingPath(repository))).serial, c.next);
        EXPECT_EQ(ReadFileBytes(MarkPath(repository)), std::to_string(c.next) + "\n");
    }
}

TEST_F(SignTool, ASigningIsRefusedWhileAnotherHoldsTheLock)
{
    const std::string key = makeKey("maker");
    const std::string lockPath = repository_.root() + "/Corvid.brenhold-lock";
    {
        const int held = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(held, 0);
        ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
        const ProcessResult refused = sign(key, repository_);
        ::close(held);
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_NE(refused.err.find("another signing of Corvid is running: it holds the lock " + lockPath),
                  std::string::npos)
            << refused.err;
        EXPECT_FALSE(std::filesystem::exists(ListingPath(repository_)));
    }
    // The lock file a signer leaves behind, killed or not, holds no lock.
    ASSERT_TRUE(std::filesystem::exists(lockPath));
    const ProcessResult signedRun = sign(key, repository_);
    EXPECT_EQ(signedRun.exitCode, 0) << signedRun.err;
}

TEST_F(SignTool, SignaturesAreAlwaysLowS)
{
    // OpenSSL makes a high s for half of all signatures; 16 in a row low is chance once in 65536.
    const std::string key = makeKey("maker");
    for (int n = 0; n < 16; ++n) {
        SCOPED_TRACE(n);
        ASSERT_EQ(sign(key, repository_).exitCode, 0);
        const std::string listing = ReadFileBytes(ListingPath(repository_));
        const auto block = ParseSignatureBlock(SplitListing(listing)->preamble);
        ASSERT_TRUE(block.has_value());
        const auto der = FromBase64(block->signatureBase64);
        ASSERT_TRUE(der.has_value());
        EXPECT_TRUE(ParseDerSignature(*der));
        EXPECT_TRUE(opensslVerifies(listing, key + ".pub"));
    }
}

struct Difference {
    const char* what;
    std::function<void(const TestRepository&)> change;
    std::vector<std::string> report;
    std::string product = "Corvid";
};

TEST_F(SignTool, CheckReportsEveryDifferenceFromTheFolder)
{
    const std::string key = makeKey("maker");
    const std::string otherKey = makeKey("other");
    const auto corvid = [](const TestRepository& repository, const std::string& name) {
        return repository.root() + "/Corvid/" + name;
    };
    const Difference differences[] = {
        {"content changed, same size and time",
         [&](const TestRepository& r) {
             WriteFileBytes(corvid(r, "z.txt"), "y");
             SetTime(corvid(r, "z.txt"), 2);
         },
         {"./z.txt: changed since signing (SHA-256 differs)"}},
        {"file added",
         [&](const TestRepository& r) { WriteFileBytes(corvid(r, "Daten/neu.txt"), "neu"); },
         {"./Daten/neu.txt: new, not in the signed listing"}},
        {"file removed",
         [&](const TestRepository& r) { std::filesystem::remove(corvid(r, "Daten/Karten/nord.bin")); },
         {"./Daten/Karten/nord.bin: missing from the folder"}},
        {"time differs",
         [&](const TestRepository& r) { SetTime(corvid(r, "\xC3\xA4.txt"), 5); },
         {"./\xC3\xA4.txt: time differs (listed 4, now 5)"}},
        {"size differs",
         [&](const TestRepository& r) {
             WriteFileBytes(corvid(r, "z.txt"), "zz");
             SetTime(corvid(r, "z.txt"), 2);
         },
         {"./z.txt: size differs (listed 1, now 2 bytes)"}},
        {"listing altered",
         [&](const TestRepository& r) {
             std::string listing = ReadFileBytes(ListingPath(r));
             listing.replace(listing.find("Datei"), 5, "Daten");
             WriteFileBytes(ListingPath(r), listing);
         },
         {"signature invalid: the listing is not what key "}},
        {"signature removed",
         [&](const TestRepository& r) {
             std::string listing = ReadFileBytes(ListingPath(r));
             WriteFileBytes(ListingPath(r), "jobgate file listing" + listing.substr(listing.find('\x04')));
         },
         {"signature invalid: the listing holds no signature block"}},
        {"listing of another product",
         [&](const TestRepository& r) {
             ASSERT_EQ(RunProcess({"/bin/cp", "-a", r.root() + "/Corvid", r.root() + "/Kopie"}).exitCode, 0);
             std::filesystem::copy_file(ListingPath(r), ListingPath(r, "Kopie"));
         },
         {"product name differs: the listing is for \"Corvid\", not \"Kopie\""},
         "Kopie"},
    };
    for (const Difference& difference : differences) {
        SCOPED_TRACE(difference.what);
        TestRepository repository;
        ASSERT_EQ(sign(key, repository).exitCode, 0);
        const ProcessResult clean = check(key, repository);
        EXPECT_EQ(clean.exitCode, 0) << clean.out << clean.err;
        EXPECT_NE(clean.out.find("verified and matches the folder"), std::string::npos) << clean.out;

        difference.change(repository);
        const ProcessResult found = check(key, repository, difference.product);
        EXPECT_EQ(found.exitCode, 1) << found.err;
        const std::vector<std::string> lines = Lines(found.out);
        ASSERT_EQ(lines.size(), difference.report.size()) << found.out;
        for (std::size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(lines[i].substr(0, difference.report[i].size()), difference.report[i]);
    }

    // Signed with one key, checked with another.
    ASSERT_EQ(sign(key, repository_).exitCode, 0);
    const ProcessResult wrongKey = check(otherKey, repository_);
    EXPECT_EQ(wrongKey.exitCode, 1);
    EXPECT_EQ(wrongKey.out.rfind("signature invalid for this key: signed with key ", 0), 0u) << wrongKey.out;
    EXPECT_EQ(Lines(wrongKey.out).size(), 1u) << wrongKey.out;
}

TEST_F(SignTool, CheckWithoutASignedListingFails)
{
    const std::string key = makeKey("maker");
    const ProcessResult found = check(key, repository_);
    EXPECT_EQ(found.exitCode, 1);
    EXPECT_EQ(found.out, "no signed listing at " + ListingPath(repository_) + "\n");
}

TEST_F(SignTool, VersionGoesIntoTheSignedHeaderAndTheSummary)
{
    const std::string key = makeKey("maker");
    const ProcessResult signing = sign(key, repository_, {"--version", "3.0-beta+7"});
    ASSERT_EQ(signing.exitCode, 0) << signing.err;
    EXPECT_NE(signing.out.find(", version 3.0-beta+7\n"), std::string::npos) << signing.out;
    FileTree listed;
    listed.readListing(ReadFileBytes(ListingPath(repository_)));
    EXPECT_NE(listed.headerText2.find(" version=3.0-beta+7"), std::string::npos) << listed.headerText2;
    EXPECT_TRUE(opensslVerifies(ReadFileBytes(ListingPath(repository_)), key + ".pub"));
}

TEST_F(SignTool, ClientWordsNameAListedFileOrStopTheSigning)
{
    const std::string key = makeKey("maker");
    // Given in UTF-8 without "./", written as listed.
    const ExpectedFile& file = repository_.files().back();
    const std::string client = file.listedPath;
    ASSERT_EQ(client.find(' '), std::string::npos) << client;
    ASSERT_EQ(sign(key, repository_, {"--client", file.diskPath, "--start-through-client"}).exitCode, 0);
    FileTree listed;
    listed.readListing(ReadFileBytes(ListingPath(repository_)));
    const auto validity = ParseValidity(listed.headerText2);
    ASSERT_TRUE(validity.has_value()) << listed.headerText2;
    EXPECT_EQ(HeaderWord(*validity, "client"), client);
    EXPECT_EQ(HeaderWord(*validity, "start"), "client");

    const std::string before = ReadFileBytes(ListingPath(repository_));
    const ProcessResult refused = sign(key, repository_, {"--client", "./Fehlt.exe"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("--client ./Fehlt.exe names no listed file"), std::string::npos)
        << refused.err;
    EXPECT_EQ(ReadFileBytes(ListingPath(repository_)), before);
}

// Lines of text that compress well and differ in a few places between two releases.
std::string ReleaseText(std::size_t lines, std::size_t changedLine)
{
    std::string text;
    for (std::size_t i = 0; i < lines; ++i)
        text += (i == changedLine ? "geaenderte Zeile " : "Zeile ") + std::to_string(i * 7919 % 100003) + "\n";
    return text;
}

std::string NoiseBytes(std::size_t size, std::uint64_t seed)
{
    std::string bytes(size, '\0');
    std::uint64_t state = 88172645463325252ull ^ seed;
    for (char& c : bytes) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        c = static_cast<char>(state);
    }
    return bytes;
}

// The payloads the listing names for path, checked against the store: each payload is there
// with its listed size and SHA-256, and decodes (a patch: against oldBytes) to the file.
FilePayloads CheckedPayloads(const TestRepository& repository, const std::string& path,
                             const std::string& bytes, const std::string& oldBytes = {})
{
    FileTree tree;
    tree.readListing(ReadFileBytes(ListingPath(repository)));
    const std::string store = repository.root() + "/Corvid.brenhold-payload/";
    for (std::size_t r = 0; r < tree.rowCount(); ++r) {
        const FileTreeRow& row = *tree.rowAt(r);
        if (row.valueAt(0)->text != path)
            continue;
        const std::string sha = row.valueAt(3)->text;
        const FilePayloads payloads = RowPayloads(tree, row);
        std::string output, failure;
        if (payloads.compressed) {
            const std::string frame = ReadFileBytes(store + sha + ".zst");
            EXPECT_EQ(frame.size(), payloads.compressed->size);
            EXPECT_EQ(Sha256Hex(frame), payloads.compressed->sha256);
            EXPECT_TRUE(DecodeWhole(frame, bytes.size(), {}, output, failure)) << failure;
            EXPECT_TRUE(output == bytes);
        }
        for (const PatchForm& patch : payloads.patches) {
            const std::string frame = ReadFileBytes(store + patch.oldSha256 + "-" + sha + ".zst");
            EXPECT_EQ(frame.size(), patch.patch.size);
            EXPECT_EQ(Sha256Hex(frame), patch.patch.sha256);
            EXPECT_EQ(patch.oldSha256, Sha256Hex(oldBytes));
            EXPECT_TRUE(DecodeWhole(frame, bytes.size(), oldBytes, output, failure)) << failure;
            EXPECT_TRUE(output == bytes);
        }
        return payloads;
    }
    ADD_FAILURE() << path << " is not listed";
    return {};
}

std::size_t StoreEntries(const TestRepository& repository)
{
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(repository.root() + "/Corvid.brenhold-payload")) {
        EXPECT_EQ(entry.path().extension(), ".zst") << entry.path();
        ++count;
    }
    return count;
}

TEST_F(SignTool, CompressedFormsAndPatchesAreKeptWhereTheySpareBytes)
{
    const std::string key = makeKey("maker");
    const std::string product = repository_.root() + "/Corvid/";
    const std::string older = keys_ / "older/Corvid";
    std::filesystem::create_directories(older);
    const std::string oldText = ReleaseText(60000, 100), newText = ReleaseText(60000, 30000);
    const std::string noise = NoiseBytes(300000, 1);
    ASSERT_TRUE(WriteFileBytes(older + "/text.txt", oldText));
    ASSERT_TRUE(WriteFileBytes(older + "/noise.bin", NoiseBytes(300000, 2)));
    ASSERT_TRUE(WriteFileBytes(product + "text.txt", newText));
    ASSERT_TRUE(WriteFileBytes(product + "noise.bin", noise));

    // The older release as its folder, and as its signed listing beside that folder.
    ASSERT_EQ(sign(key, repository_).exitCode, 0);
    const std::string oldListing = keys_ / "older/Corvid.brenhold-listing";
    const ProcessResult signedOlder = Tool({"sign", "--key", key, keys_ / "older", "Corvid"});
    ASSERT_EQ(signedOlder.exitCode, 0) << signedOlder.err;
    for (const std::string& from : {older, oldListing}) {
        SCOPED_TRACE(from);
        const ProcessResult made = sign(key, repository_, {"--compress", "--patches-from", from});
        ASSERT_EQ(made.exitCode, 0) << made.err;
        EXPECT_NE(made.out.find(", 1 patch\n"), std::string::npos) << made.out;
        const FilePayloads text = CheckedPayloads(repository_, "./text.txt", newText, oldText);
        ASSERT_TRUE(text.compressed.has_value());
        EXPECT_LT(text.compressed->size * 100, newText.size() * 95);
        ASSERT_EQ(text.patches.size(), 1u);
        EXPECT_LT(text.patches[0].patch.size * 20, text.compressed->size);
        // Random bytes are sent plain: neither form would be smaller.
        const FilePayloads random = CheckedPayloads(repository_, "./noise.bin", noise, NoiseBytes(300000, 2));
        EXPECT_FALSE(random.compressed.has_value());
        EXPECT_TRUE(random.patches.empty());
        const ProcessResult checked = check(key, repository_);
        EXPECT_EQ(checked.exitCode, 0) << checked.out;
    }

    // The store keeps only what the listing names; without --patches-from the patch goes,
    // with a file of the older release that differs from its listing no patch is made.
    const std::size_t withPatch = StoreEntries(repository_);
    ASSERT_EQ(sign(key, repository_, {"--compress"}).exitCode, 0);
    EXPECT_EQ(StoreEntries(repository_), withPatch - 1);
    ASSERT_TRUE(WriteFileBytes(older + "/text.txt", oldText + "x"));
    const ProcessResult spoilt = sign(key, repository_, {"--compress", "--patches-from", oldListing});
    EXPECT_EQ(spoilt.exitCode, 0) << spoilt.err;
    EXPECT_NE(spoilt.err.find("no patch for ./text.txt"), std::string::npos) << spoilt.err;
    EXPECT_TRUE(CheckedPayloads(repository_, "./text.txt", newText).patches.empty());

    // Above the patch limit a file gets its compressed form only.
    ASSERT_TRUE(WriteFileBytes(older + "/text.txt", oldText));
    const std::string large = ReleaseText(200000, 5);
    ASSERT_GT(large.size(), std::size_t{1} << 20);
    ASSERT_TRUE(WriteFileBytes(older + "/text.txt", ReleaseText(200000, 6)));
    ASSERT_TRUE(WriteFileBytes(product + "text.txt", large));
    ASSERT_EQ(sign(key, repository_, {"--compress", "--patch-limit", "1", "--patches-from", older}).exitCode, 0);
    const FilePayloads limited = CheckedPayloads(repository_, "./text.txt", large);
    const std::string address = "https://cdn.example.com/corvid/";
    ASSERT_EQ(sign(key, repository_, {"--compress", "--payload-address", address}).exitCode, 0);
    EXPECT_EQ(HeaderWord(ValidityOf(ReadFileBytes(ListingPath(repository_))), kPayloadAddressWord), address);
    EXPECT_TRUE(limited.compressed.has_value());
    EXPECT_TRUE(limited.patches.empty());

    // Signed without payloads, the listing has the four columns of every signed listing.
    ASSERT_EQ(sign(key, repository_).exitCode, 0);
    FileTree plain;
    plain.readListing(ReadFileBytes(ListingPath(repository_)));
    EXPECT_EQ(plain.columnCount(), 4u);
    EXPECT_EQ(StoreEntries(repository_), 0u);
}

TEST_F(SignTool, UsageErrorsExitWithTwo)
{
    const std::string key = makeKey("maker");
    const std::string root = repository_.root();
    const std::vector<std::string> usages[] = {
        {},
        {"unknown"},
        {"keygen"},
        {"keygen", keys_ / "a.pem", keys_ / "b.pem"},
        {"sign", root, "Corvid"},
        {"sign", "--key", key, root},
        {"sign", "--key", key, root, "Corvid", "extra"},
        {"sign", "--key", key, "--key", key, root, "Corvid"},
        {"sign", "--key", key, "--valid-days", "0", root, "Corvid"},
        {"sign", "--key", key, "--valid-days", "036", root, "Corvid"},
        {"sign", "--key", key, "--valid-days", "36501", root, "Corvid"},
        {"sign", "--key", key, "--valid-days", "x", root, "Corvid"},
        {"sign", "--key", key, "--valid", "5", root, "Corvid"},
        {"sign", "--key", key, root, "Corvid", "--valid-days"},
        {"sign", "--key", key, "--version", "2.1 beta", root, "Corvid"},
        {"sign", "--key", key, "--version", "", root, "Corvid"},
        {"sign", "--key", key, "--version", "2.1;beta", root, "Corvid"},
        {"sign", "--key", key, "--version", std::string(33, '1'), root, "Corvid"},
        {"sign", "--key", key, "--start-through-client", "--start-through-client", root, "Corvid"},
        {"sign", "--key", key, "--client", root, "Corvid"},
        {"sign", "--key", key, "--patch-limit", "0", root, "Corvid"},
        {"sign", "--key", key, "--patch-limit", "257", root, "Corvid"},
        {"sign", "--key", key, "--patch-limit", "1x", root, "Corvid"},
        {"sign", "--key", key, "--patches-from", keys_ / "missing", root, "Corvid"},
        {"sign", "--key", key, "--patches-from", key, root, "Corvid"},
        {"sign", "--key", key, root, "Corvid", "--patches-from"},
        {"sign", "--key", key, "--compress", "--compress", root, "Corvid"},
        {"sign", "--key", key, "--payload-address", "/store", root, "Corvid"},
        {"sign", "--key", key, "--payload-address", "ftp://cdn/", root, "Corvid"},
        {"sign", "--key", key, "--payload-address", "http://cdn/a b/", root, "Corvid"},
        {"sign", "--key", key, "--payload-address", "/" + std::string(512, 'a') + "/", root, "Corvid"},
        {"check", root, "Corvid"},
        {"check", "--public", key + ".pub", "--key", key, root, "Corvid"},
        {"check", "--public", keys_ / "missing.pub", root, "Corvid"},
        {"check", "--public", key + ".pub", root, "Nobody"},
        {"check", "--public", key + ".pub", root, "../outside"},
    };
    for (const std::vector<std::string>& usage : usages) {
        std::string shown;
        for (const std::string& arg : usage)
            shown += arg + " ";
        SCOPED_TRACE(shown);
        const ProcessResult result = Tool(usage);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_FALSE(result.err.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(ListingPath(repository_)));
    EXPECT_FALSE(std::filesystem::exists(keys_ / "a.pem"));
}

} // namespace
