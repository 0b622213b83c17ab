#include "ReleasePayloads.h"

#include "FileHash.h"
#include "PayloadStore.h"
#include "RepositoryNames.h"
#include "SignDiagnostic.h"
#include "SignedListingFile.h"
#include "ZstdEncoder.h"
#include "text/Codepage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

constexpr std::size_t kPathValue = 0, kTimeValue = 1, kSizeValue = 2, kHashValue = 3;

std::optional<std::string> Canonical(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    if (!resolved)
        return std::nullopt;
    return std::string(resolved.get());
}

std::string Value(const FileTreeRow& row, std::size_t index)
{
    const TypedValue* value = row.valueAt(index);
    return value != nullptr ? value->text : std::string();
}

std::optional<OlderRelease> FromListing(const std::string& listingPath)
{
    const std::string folderPath = listingPath.substr(0, listingPath.size() - kSignedListingEnding.size());
    const auto folder = Canonical(folderPath);
    std::ifstream in(listingPath, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!folder || !in.is_open() || in.bad()) {
        Complain("--patches-from " + listingPath + ": cannot read it, or there is no folder " + folderPath +
                 " beside it with the release's files");
        return std::nullopt;
    }
    FileTree tree;
    tree.readListing(text);
    OlderRelease release{*folder, listingPath, {}};
    for (std::size_t r = 0; r < tree.rowCount(); ++r) {
        const FileTreeRow& row = *tree.rowAt(r);
        const std::string sha = Value(row, kHashValue);
        char* end = nullptr;
        const std::string sizeText = Value(row, kSizeValue);
        const unsigned long long size = std::strtoull(sizeText.c_str(), &end, 10);
        if (!IsSha256Hex(sha) || sizeText.empty() || *end != '\0')
            continue;
        ListedFile file{Value(row, kPathValue), static_cast<std::uint32_t>(std::strtoul(Value(row, kTimeValue).c_str(), nullptr, 10)),
                        size};
        release.files.emplace(file.path, HashedFile{file, sha});
    }
    if (release.files.empty()) {
        Complain("--patches-from " + listingPath + " is no signed listing with files");
        return std::nullopt;
    }
    return release;
}

// The bytes of an older file, when they are what its release says.
std::optional<std::string> OlderBytes(const OlderRelease& release, const HashedFile& file)
{
    const auto names = ListedPathNames(file.file.path);
    OpenedFile opened;
    if (!names || OpenProductFile(release.folder, *names, opened) != Lookup::Found || opened.size != file.file.size)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(opened.size), '\0');
    std::size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t got = ::read(opened.fd.get(), bytes.data() + at, bytes.size() - at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        at += static_cast<std::size_t>(got);
    }
    const auto sha = Sha256Hex(bytes);
    if (!sha || *sha != file.sha256Hex)
        return std::nullopt;
    return bytes;
}

class PayloadWriter {
public:
    PayloadWriter(const std::string& productFolder, const std::string& store, std::set<std::string>& kept)
        : folder_(productFolder), store_(store), kept_(kept)
    {}

    // Encodes the file (against reference when given) into the store under name, and keeps it
    // when it is at most kKeptPercent of spared bytes. False when something failed; form stays
    // none when the payload is not worth it.
    bool make(const HashedFile& file, std::string_view reference, std::uint64_t spared, const std::string& name,
              std::optional<PayloadForm>& form)
    {
        form.reset();
        const std::string shown = folder_ + "/" + Utf8FromCp1252(file.file.path.substr(2));
        const auto names = ListedPathNames(file.file.path);
        OpenedFile opened;
        if (!names || OpenProductFile(folder_, *names, opened) != Lookup::Found) {
            Complain("cannot open " + shown);
            return false;
        }
        const std::string temporary = store_ + "/" + name + ".tmp";
        const std::string path = store_ + "/" + name;
        UniqueFd out(::open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (!out.valid()) {
            Complain("cannot write " + temporary + ": " + std::strerror(errno));
            return false;
        }
        if (!EncodeZstd(opened.fd.get(), file.file.size, reference, out.get(), shown)) {
            ::unlink(temporary.c_str());
            return false;
        }
        struct stat st {};
        if (::fstat(out.get(), &st) != 0 || ::lseek(out.get(), 0, SEEK_SET) != 0) {
            Complain("cannot look at " + temporary + ": " + std::strerror(errno));
            ::unlink(temporary.c_str());
            return false;
        }
        const auto size = static_cast<std::uint64_t>(st.st_size);
        if (size * 100 > spared * kKeptPercent) {
            ::unlink(temporary.c_str());
            return true;
        }
        const auto digest = hasher_.hash(out.get(), temporary);
        if (!digest || ::fsync(out.get()) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
            Complain("cannot put " + path + " in place: " + std::strerror(errno));
            ::unlink(temporary.c_str());
            return false;
        }
        form = PayloadForm{size, digest->sha256Hex};
        kept_.insert(name);
        return true;
    }

private:
    std::string folder_;
    std::string store_;
    std::set<std::string>& kept_;
    FileHasher hasher_;
};

} // namespace

std::optional<OlderRelease> ReadOlderRelease(const std::string& listingOrFolder)
{
    struct stat st {};
    if (::stat(listingOrFolder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        const auto folder = Canonical(listingOrFolder);
        const auto files = folder ? HashProductFiles(*folder) : std::nullopt;
        if (!files)
            return std::nullopt;
        OlderRelease release{*folder, listingOrFolder, {}};
        for (const HashedFile& file : *files)
            release.files.emplace(file.file.path, file);
        return release;
    }
    const bool listing = listingOrFolder.size() > kSignedListingEnding.size() &&
                         listingOrFolder.compare(listingOrFolder.size() - kSignedListingEnding.size(),
                                                 kSignedListingEnding.size(), kSignedListingEnding) == 0;
    if (!listing || ::stat(listingOrFolder.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        Complain("--patches-from " + listingOrFolder +
                 " is neither the folder of an older release nor its signed listing (PRODUCT.brenhold-listing)");
        return std::nullopt;
    }
    return FromListing(listingOrFolder);
}

std::optional<std::vector<FilePayloads>> MakeReleasePayloads(const std::string& productFolder,
                                                             const std::vector<HashedFile>& files,
                                                             const PayloadRequest& request,
                                                             const std::string& store, std::set<std::string>& kept)
{
    std::vector<FilePayloads> made;
    made.reserve(files.size());
    PayloadWriter writer(productFolder, store, kept);
    for (const HashedFile& file : files) {
        FilePayloads payloads;
        if (request.compress &&
            !writer.make(file, {}, file.file.size, CompressedPayloadName(file.sha256Hex), payloads.compressed))
            return std::nullopt;
        const std::uint64_t spared = payloads.compressed ? payloads.compressed->size : file.file.size;
        std::set<std::string> patchedFrom;
        for (const OlderRelease& older : request.olderReleases) {
            const auto found = older.files.find(file.file.path);
            if (found == older.files.end() || found->second.sha256Hex == file.sha256Hex ||
                file.file.size > request.patchLimit || found->second.file.size > request.patchLimit ||
                !patchedFrom.insert(found->second.sha256Hex).second)
                continue;
            const auto bytes = OlderBytes(older, found->second);
            if (!bytes) {
                Complain("no patch for " + Utf8FromCp1252(file.file.path) + " from " + older.shownAs +
                         ": its file there cannot be read or is not what its listing says");
                continue;
            }
            std::optional<PayloadForm> patch;
            if (!writer.make(file, *bytes, spared, PatchPayloadName(found->second.sha256Hex, file.sha256Hex), patch))
                return std::nullopt;
            if (patch)
                payloads.patches.push_back({found->second.sha256Hex, *patch});
        }
        made.push_back(std::move(payloads));
    }
    return made;
}
