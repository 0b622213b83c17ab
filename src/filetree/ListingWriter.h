#pragma once
// Writes a FileTree as listing text, the inverse of FileTree::readListing, and builds the
// file listing the update server sends for a product.
//
// The file listing (command 15), field by field:
//   preamble     "jobgate file listing", ended by byte 04
//   headerCode   15, the command it answers
//   headerNumber 1, the layout of the listing
//   headerText1  the product name
//   headerText2  "files"
//   three columns, each: first number (the column's position), second number (the longest
//   text the column holds), typeCode, then four texts (key, German caption, unit, "")
//     0: 0, 1022, typeCode 0 (plain text),     "path",  "Datei",    "", ""
//     1: 1, 10,   typeCode 0 (plain text),     "mtime", "Geändert", "Sekunden seit 1970 UTC", ""
//     2: 2, 20,   typeCode 1 (grouped number), "size",  "Größe",    "Bytes", ""
//   one row per file: rowId counting from 1, rowFlag 0, three values: "./" and the path
//   relative to the product folder with "/" between folders, the modification time in
//   decimal seconds since 1970-01-01 00:00 UTC, the size in bytes in decimal (neither
//   number carries group separators).
//
// The signed file listing, which the maker's tool writes and the server then sends as it is,
// differs in these fields only (see SignedListing.h for the preamble and the validity):
//   preamble     "brenhold-signature 1 KEYID SIG", ended by byte 04; SIG signs every byte after it
//   headerNumber 2
//   headerText2  "files serial=S expires=E": the signing's serial, counting up from 1, and the
//                end of its validity in seconds since 1970 UTC, both decimal
//   a fourth column after the three above:
//     3: 3, 64,   typeCode 0 (plain text),     "sha256", "Prüfsumme", "SHA-256", ""
//   four values per row: the three above, then the SHA-256 of the file's bytes in 64
//   lower-case hex digits.

#include "filetree/FileTree.h"
#include "filetree/SignedListing.h"

#include <cstdint>
#include <string>
#include <string_view>

// Whether a text can be a field of a listing and read back unchanged: at most 1022
// bytes, neither byte 03 nor a zero byte.
bool FitsListingField(std::string_view text);

// Appends the listing text of tree, with the given preamble, to out. Returns false, and
// leaves out unchanged, when a field would not read back as written: a text that does
// not fit (see FitsListingField), a preamble longer than 1022 bytes or holding byte 04, or a number longer
// than its field allows (headerNumber and rowId take at most 10 characters, so -2147483648 does not fit).
bool WriteListing(const FileTree& tree, std::string_view preamble, std::string& out);

// Appends the fields of tree after the preamble's terminator (what a signature covers) to
// out, with the checks of WriteListing.
bool WriteListingBody(const FileTree& tree, std::string& out);

// Sets the header and columns of a product's file listing; rows are added by AddFileRow.
void StartFileListing(FileTree& tree, const std::string& product);

// Sets the header and the four columns of a product's signed file listing; rows are added
// by the AddFileRow that takes a hash. The preamble is the signer's.
void StartSignedFileListing(FileTree& tree, const std::string& product, const ListingValidity& validity);

// Appends the row of one file; path is as listed ("./" followed by the relative path).
void AddFileRow(FileTree& tree, const std::string& path, std::uint32_t time, std::uint64_t size);

// Appends the row of one file of a signed listing, with its SHA-256 in lower-case hex.
void AddFileRow(FileTree& tree, const std::string& path, std::uint32_t time, std::uint64_t size,
                const std::string& sha256Hex);

// Writes a listing made by StartFileListing and AddFileRow.
bool WriteFileListing(const FileTree& tree, std::string& out);
