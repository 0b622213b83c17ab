#pragma once
// The payloads a signing makes for the files of a release: each file's compressed form and
// patches to it from the same path in older releases, kept only where they are worth it.

#include "ProductHashes.h"
#include "filetree/PayloadColumns.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// A payload is kept only when it is at most this share (in percent) of what it spares: the
// file itself for a compressed form; the compressed form (or the file without one) for a patch.
inline constexpr std::uint64_t kKeptPercent = 95;
// Files above this size get no patch by default: the client holds the older file and a window
// of the same size in memory while it applies one (see codec/ZstdDecoder.h).
inline constexpr std::uint64_t kDefaultPatchLimit = std::uint64_t{256} << 20;

// An older release that patches start from: its files by listed path, and where their bytes are.
struct OlderRelease {
    std::string folder; // canonical path of its product folder
    std::string shownAs; // as given on the command line
    std::map<std::string, HashedFile> files;
};

// An older release given as a product folder (its files are hashed) or as its signed listing
// (PATH.brenhold-listing, its bytes in the folder PATH beside it; each is checked against the
// listed SHA-256 when a patch is made from it). None, after a line on standard error, when it
// can be neither.
std::optional<OlderRelease> ReadOlderRelease(const std::string& listingOrFolder);

struct PayloadRequest {
    bool compress = false;
    std::vector<OlderRelease> olderReleases;
    std::uint64_t patchLimit = kDefaultPatchLimit;
};

// Makes the payloads of files (of productFolder) in store, one FilePayloads per file in its
// order, and adds the names it keeps to kept. None, after a line on standard error, when a
// file cannot be read or a payload cannot be written; an older file that is not what its
// listing says only gets no patch, with a line.
std::optional<std::vector<FilePayloads>> MakeReleasePayloads(const std::string& productFolder,
                                                             const std::vector<HashedFile>& files,
                                                             const PayloadRequest& request,
                                                             const std::string& store, std::set<std::string>& kept);
