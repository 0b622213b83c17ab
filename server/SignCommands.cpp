#include "SignCommands.h"

#include "FileWrite.h"
#include "ListingCheck.h"
#include "ListingSigner.h"
#include "MakerKey.h"
#include "PayloadStore.h"
#include "ProductHashes.h"
#include "RepositoryNames.h"
#include "SerialMark.h"
#include "SignDiagnostic.h"
#include "SignedListingFile.h"
#include "SigningLock.h"
#include "filetree/ListingFormat.h"
#include "filetree/ListingWriter.h"
#include "filetree/PayloadColumns.h"
#include "text/Codepage.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <memory>
#include <set>

namespace {

constexpr mode_t kPrivateKeyMode = 0600;
constexpr mode_t kListingMode = 0644; // the web server's user reads it
constexpr std::uint64_t kSecondsPerDay = 86400;

struct ProductPlace {
    std::string listedName; // the product name in the listing (Windows-1252)
    std::string root;       // the repository without links
    std::string folderName; // the product folder's name (UTF-8)
    std::string folder;     // the product folder without links

    std::string listingPath() const { return SignedListingPath(root, folderName); }
    std::string markPath() const { return SerialMarkPath(root, folderName); }
    std::string storePath() const { return PayloadStorePath(root, folderName); }
};

std::optional<std::string> CanonicalFolder(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    struct stat st {};
    if (!resolved || ::stat(resolved.get(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return std::string(resolved.get());
}

// Where the product's folder and signed listing are, as jobgate finds them.
std::optional<ProductPlace> FindProduct(const std::string& root, const std::string& product)
{
    const auto listedName = ListedName(product);
    if (!listedName || !ProductFolderName(*listedName)) {
        Complain("\"" + product +
                 "\" cannot be a product name: it must be one folder name that Windows-1252 can hold, "
                 "not ending in .brenhold-listing, .brenhold-serial, .brenhold-lock or .brenhold-payload");
        return std::nullopt;
    }
    const auto canonicalRoot = CanonicalFolder(root);
    if (!canonicalRoot) {
        Complain(root + " is not a folder");
        return std::nullopt;
    }
    const auto folder = CanonicalFolder(*canonicalRoot + "/" + product);
    if (!folder) {
        Complain(root + "/" + product + " is not a folder");
        return std::nullopt;
    }
    return ProductPlace{*listedName, *canonicalRoot, product, *folder};
}

std::uint64_t Now()
{
    const std::time_t now = std::time(nullptr);
    return now > 0 ? static_cast<std::uint64_t>(now) : 0;
}

std::string DateText(std::uint64_t seconds)
{
    return UtcTimeText(seconds).substr(0, 10);
}

// The serial the new listing takes: one above every serial the repository shows for the
// product, that of the listing it replaces and the mark of the highest ever signed; 1 when
// there is neither. A listing put back from a backup thus never makes the serial go back.
// A serial that is there but cannot be read stops the signing: guessing low would make every
// client that has seen a later serial refuse the release.
std::optional<std::uint64_t> NextSerial(const ProductPlace& place)
{
    std::uint64_t highest = 0;
    const StoredListing previous = ReadSignedListing(place.root, place.folderName);
    if (previous.state != StoredListing::State::Absent) {
        std::optional<ListingValidity> validity;
        if (previous.state == StoredListing::State::Found) {
            FileTree tree;
            tree.readListing(previous.text);
            validity = SignedListingValidity(tree);
        }
        if (!validity) {
            Complain(place.listingPath() + " is no signed listing whose serial can be read; move it away " +
                     "only if no client has seen it (the serial then goes on from " + place.markPath() +
                     ", or starts again at 1 without it)");
            return std::nullopt;
        }
        highest = validity->serial;
    }
    const StoredSerialMark mark = ReadSerialMark(place.root, place.folderName);
    if (mark.state == StoredSerialMark::State::Unreadable) {
        Complain("cannot read the highest serial signed from " + place.markPath() + ": " + mark.reason +
                 "; write into it the highest serial any client may have seen, in decimal with a line end");
        return std::nullopt;
    }
    if (mark.state == StoredSerialMark::State::Found)
        highest = std::max(highest, mark.serial);
    if (highest == std::numeric_limits<std::uint64_t>::max()) {
        Complain("the serial of " + place.folderName + " has reached " + std::to_string(highest) + " (in " +
                 place.listingPath() + " or " + place.markPath() + "): no higher serial can be signed");
        return std::nullopt;
    }
    return highest + 1;
}

// The listed path of the release's client as the header word carries it; none, after saying
// why, when it names no listed file or holds a space (which ends a header word).
std::optional<std::string> ListedClientPath(const std::string& given, const std::vector<HashedFile>& files)
{
    bool converted = false;
    std::string path = Cp1252FromUtf8(given, &converted);
    if (path.rfind("./", 0) != 0)
        path = "./" + path;
    const bool listed = std::any_of(files.begin(), files.end(),
                                    [&](const HashedFile& file) { return file.file.path == path; });
    if (!converted || !listed || path.find(' ') != std::string::npos) {
        Complain("--client " + given + " names no listed file of the release" +
                 (path.find(' ') != std::string::npos ? " that a header word can hold (no spaces)" : ""));
        return std::nullopt;
    }
    return path;
}

std::string SummaryLine(const std::string& product, std::uint64_t serial, std::uint64_t expires,
                        const std::string& keyId, std::size_t files)
{
    return product + ": serial " + std::to_string(serial) + ", expires " + DateText(expires) +
           " (UTC), key " + keyId + ", " + std::to_string(files) + (files == 1 ? " file" : " files");
}

} // namespace

int RunKeygen(const std::string& privatePath)
{
    const PkeyOwner key = GenerateMakerKey();
    if (!key)
        return kExitFailed;
    const auto privatePem = PrivateKeyPem(key.get());
    const auto publicPem = PublicKeyPem(key.get());
    const auto keyId = MakerKeyId(key.get());
    if (!privatePem || !publicPem || !keyId || !WriteNewFile(privatePath, *privatePem, kPrivateKeyMode))
        return kExitFailed;
    std::fputs(publicPem->c_str(), stdout);
    Complain("wrote the private key " + privatePath + " (key " + *keyId +
             "); keep it secret, and give the clients the public key above");
    return std::fflush(stdout) == 0 ? kExitDone : kExitFailed;
}

int RunSign(const SignRequest& request)
{
    const PkeyOwner key = ReadPrivateKey(request.keyPath);
    if (!key)
        return kExitFailed;
    const auto keyId = MakerKeyId(key.get());
    const auto place = FindProduct(request.root, request.product);
    if (!keyId || !place)
        return kExitFailed;
    // Held until the signing ends, so that a second signing cannot take the same serial.
    const UniqueFd lock = LockSigning(place->root, place->folderName);
    if (!lock.valid())
        return kExitFailed;
    const auto serial = NextSerial(*place);
    if (!serial)
        return kExitFailed;
    const auto files = HashProductFiles(place->folder);
    if (!files)
        return kExitFailed;

    ListingValidity validity{*serial, Now() + request.validDays * kSecondsPerDay};
    if (!request.version.empty())
        validity.words.push_back({kVersionWord, request.version});
    if (!request.clientPath.empty()) {
        const auto client = ListedClientPath(request.clientPath, *files);
        if (!client)
            return kExitFailed;
        validity.words.push_back({"client", *client});
    }
    if (request.startThroughClient)
        validity.words.push_back({"start", "client"});
    if (!request.payloadAddress.empty())
        validity.words.push_back({kPayloadAddressWord, request.payloadAddress});
    const PayloadRequest& payloadRequest = request.payloads;
    const bool makesPayloads = payloadRequest.compress || !payloadRequest.olderReleases.empty();
    std::set<std::string> keptPayloads;
    std::optional<std::vector<FilePayloads>> payloads;
    if (makesPayloads) {
        if (!MakePayloadStore(place->storePath()))
            return kExitFailed;
        payloads = MakeReleasePayloads(place->folder, *files, payloadRequest, place->storePath(), keptPayloads);
        if (!payloads)
            return kExitFailed;
    }
    FileTree tree;
    StartSignedFileListing(tree, place->listedName, validity);
    if (payloads)
        AddPayloadColumns(tree, payloadRequest.olderReleases.size());
    for (std::size_t i = 0; i < files->size(); ++i) {
        const HashedFile& file = (*files)[i];
        AddFileRow(tree, file.file.path, file.file.time, file.file.size, file.sha256Hex);
        if (!payloads)
            continue;
        const FilePayloads& made = (*payloads)[i];
        FileTreeRow& row = *tree.rowAt(tree.rowCount() - 1);
        row.appendValue(made.compressed ? FormatCompressedValue(*made.compressed) : std::string());
        for (std::size_t p = 0; p < payloadRequest.olderReleases.size(); ++p)
            row.appendValue(p < made.patches.size() ? FormatPatchValue(made.patches[p]) : std::string());
    }
    std::string body;
    if (!WriteListingBody(tree, body)) {
        Complain("the listing of " + place->folder + " cannot be written");
        return kExitFailed;
    }
    const auto signature = SignListingBody(key.get(), body);
    if (!signature)
        return kExitFailed;
    const std::string listing =
        FormatSignatureBlock({*keyId, Base64(*signature)}) + listing::kPreambleTerminator + body;
    if (!ReplaceFile(place->listingPath(), listing, kListingMode))
        return kExitFailed;
    // Written once the listing is in place: should the tool stop between the two, the
    // listing itself shows the new serial.
    if (!WriteSerialMark(place->root, place->folderName, validity.serial)) {
        Complain(place->listingPath() + " is signed with serial " + std::to_string(validity.serial) +
                 ", but " + place->markPath() +
                 " does not hold it: keep that listing (or a later one) in place");
        return kExitFailed;
    }
    // Payloads of earlier signings go once the listing that no longer names them is in place.
    struct stat store {};
    if (::lstat(place->storePath().c_str(), &store) == 0 && S_ISDIR(store.st_mode) &&
        !PrunePayloadStore(place->storePath(), keptPayloads))
        return kExitFailed;
    std::string payloadText;
    if (payloads) {
        std::size_t compressed = 0, patches = 0;
        for (const FilePayloads& made : *payloads) {
            compressed += made.compressed ? 1 : 0;
            patches += made.patches.size();
        }
        payloadText = ", " + std::to_string(compressed) + " compressed, " + std::to_string(patches) +
                      (patches == 1 ? " patch" : " patches");
    }
    std::printf(
        "%s%s%s\n",
        SummaryLine(request.product, validity.serial, validity.expires, *keyId, files->size()).c_str(),
        request.version.empty() ? "" : (", version " + request.version).c_str(), payloadText.c_str());
    return std::fflush(stdout) == 0 ? kExitDone : kExitFailed;
}

int RunCheck(const std::string& publicKeyPath, const std::string& root, const std::string& product)
{
    const PkeyOwner key = ReadPublicKey(publicKeyPath);
    if (!key)
        return kExitCannotRun;
    const auto keyId = MakerKeyId(key.get());
    const auto place = FindProduct(root, product);
    if (!keyId || !place)
        return kExitCannotRun;
    const StoredListing stored = ReadSignedListing(place->root, place->folderName);
    if (stored.state == StoredListing::State::Unreadable)
        return kExitCannotRun;
    if (stored.state == StoredListing::State::Absent) {
        std::printf("no signed listing at %s\n", place->listingPath().c_str());
        return kExitFailed;
    }
    const auto files = HashProductFiles(place->folder);
    if (!files)
        return kExitCannotRun;

    std::vector<std::string> differences;
    const auto parts = SplitListing(stored.text);
    const auto block = parts ? ParseSignatureBlock(parts->preamble) : std::nullopt;
    if (!block) {
        differences.push_back("signature invalid: the listing holds no signature block");
    } else if (block->keyId != *keyId) {
        differences.push_back("signature invalid for this key: signed with key " + block->keyId + ", not " +
                              *keyId);
    } else {
        const auto der = FromBase64(block->signatureBase64);
        if (!der || !VerifyListingBody(key.get(), parts->body, *der))
            differences.push_back("signature invalid: the listing is not what key " + *keyId + " signed");
    }
    FileTree tree;
    tree.readListing(stored.text);
    const auto found = ListingDifferences(tree, place->listedName, *files, Now());
    differences.insert(differences.end(), found.begin(), found.end());

    for (const std::string& line : differences)
        std::printf("%s\n", line.c_str());
    if (!differences.empty())
        return kExitFailed;
    const ListingValidity validity = *SignedListingValidity(tree);
    std::printf("%s: verified and matches the folder\n",
                SummaryLine(product, validity.serial, validity.expires, *keyId, files->size()).c_str());
    return kExitDone;
}
