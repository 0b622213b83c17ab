#pragma once
// The columns of a signed listing that name cheaper ways to a file's bytes: its zstd
// compressed form and zstd patches from files of older releases, kept in the payload store
// beside the product folder. Portable: the signing tool writes them, the client reads them.
//
// They follow the four columns every client reads by position (path, mtime, size, sha256),
// so a client that knows none of them reads the listing as before:
//   4:     4, 85,  typeCode 0, "zstd",  "Komprimiert", "zstd", ""
//   5...:  i, 150, typeCode 0, "patch", "Patch",       "zstd", ""   (one per older release)
// A "zstd" value is "SIZE SHA256" of the compressed form, a "patch" value
// "OLDSHA256 SIZE SHA256": the SHA-256 of the older file the patch starts from, then the
// patch's size and SHA-256; an empty value names nothing. Readers find these columns by key,
// and ignore any column they do not know.

#include "filetree/FileTree.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char kCompressedColumnKey[] = "zstd";
inline constexpr char kPatchColumnKey[] = "patch";

// A payload as a listing names it: its size and SHA-256 (64 lower-case hex digits).
struct PayloadForm {
    std::uint64_t size = 0;
    std::string sha256;
};

struct PatchForm {
    std::string oldSha256; // of the installed file the patch starts from
    PayloadForm patch;
};

// What a row's payload columns name.
struct FilePayloads {
    std::optional<PayloadForm> compressed;
    std::vector<PatchForm> patches;
};

// Adds the "zstd" column and patchColumns "patch" columns after the columns tree has.
void AddPayloadColumns(FileTree& tree, std::size_t patchColumns);

std::string FormatCompressedValue(const PayloadForm& form);
std::string FormatPatchValue(const PatchForm& form);

// Strict: exactly the form above (decimal size without sign or leading zeros, single
// spaces, lower-case hex), or none.
std::optional<PayloadForm> ParseCompressedValue(std::string_view value);
std::optional<PatchForm> ParsePatchValue(std::string_view value);

// The payloads row names through tree's columns, found by key. Values that are empty or not
// of their form name nothing.
FilePayloads RowPayloads(const FileTree& tree, const FileTreeRow& row);

// The header word that names where payloads are fetched with a plain GET: an address ending
// in "/" to which the payload's name is appended, either absolute ("http://" or "https://") or
// a path on the update server ("/"). Without it, payloads are asked of jobgate (command 17).
inline constexpr char kPayloadAddressWord[] = "payloads";
inline constexpr std::size_t kLongestPayloadAddress = 512;

// Whether text can be that address: printable ASCII without spaces, at most
// kLongestPayloadAddress bytes, beginning with "http://", "https://" or "/" and ending in "/".
bool IsPayloadAddress(std::string_view text);

// Whether text is a SHA-256 as listings write it: 64 lower-case hex digits.
bool IsSha256Hex(std::string_view text);
