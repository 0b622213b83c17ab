#pragma once
// The parts of a signed file listing that are not FileTree fields: its preamble, which
// carries the maker's signature, and the validity in its second header text. Portable:
// the server's signing tool writes these and the client reads them.
//
// A signed listing is a file listing (see ListingWriter.h) whose preamble is
//   "brenhold-signature 1 KEYID SIG"
// and whose body, every byte after the preamble's terminator byte 04, is what SIG signs:
// ECDSA P-256 over the SHA-256 of those bytes, DER-encoded, in base64. KEYID names the key.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kSignedListingLayout = 2; // headerNumber of a signed listing

struct ListingSignatureBlock {
    std::string keyId;           // 16 lower-case hex digits: the start of SHA-256 of the key's DER
    std::string signatureBase64; // standard alphabet, "=" padding, no line breaks
};

struct ListingParts {
    std::string_view preamble; // the bytes before the first byte 04
    std::string_view body;     // every byte after the first byte 04
};

// The preamble and body of a listing text, or none when it holds no byte 04.
std::optional<ListingParts> SplitListing(std::string_view listing);

// The preamble of a signed listing: "brenhold-signature 1 KEYID SIG", single spaces, KEYID 16
// lower-case hex digits, SIG the base64 (standard alphabet, '=' padding) of the DER ECDSA
// signature. Strict: anything else (other spacing, upper-case hex, base64 whose length is not a
// multiple of four, misplaced padding, padding bits that are not zero, an empty SIG, a preamble
// longer than a listing field) gives none.
std::optional<ListingSignatureBlock> ParseSignatureBlock(std::string_view preamble);

// The preamble for block, which ParseSignatureBlock reads back when block is well-formed.
std::string FormatSignatureBlock(const ListingSignatureBlock& block);

struct ListingHeaderWord {
    std::string name;  // not empty, no '=' and no space
    std::string value; // no space; may be empty
};

struct ListingValidity {
    std::uint64_t serial = 0;  // counts up with each signing of the product
    std::uint64_t expires = 0; // seconds since 1970 UTC
    // Further words of the maker's, in order. A reader keeps words it does not know: they are
    // signed with the rest, so a newer release can carry words an older client only skips.
    std::vector<ListingHeaderWord> words = {};
};

// The validity in a signed listing's headerText2: "files serial=S expires=E", both decimal,
// without sign or leading zeros (but "0"), each fitting 64 bits, followed by any number of
// " NAME=VALUE" words (single spaces; a word without '=' has an empty value); none otherwise,
// and none when a word names serial or expires again.
std::optional<ListingValidity> ParseValidity(std::string_view headerText2);

// The headerText2 for validity.
std::string FormatValidity(const ListingValidity& validity);

// The value of the first word called name, or none.
std::optional<std::string> HeaderWord(const ListingValidity& validity, std::string_view name);

// The release's version, as the word "version=TEXT" carries it: 1 to 32 letters, digits and
// ". - + _" ("2.1", "2027-03", "3.0-beta+7"). A header value holds no space, and the client shows
// and registers the text as it is, so a text outside this set is refused by the signing tool
// and ignored by the client.
inline constexpr char kVersionWord[] = "version";
inline constexpr std::size_t kLongestVersion = 32;
bool IsReleaseVersion(std::string_view text);
