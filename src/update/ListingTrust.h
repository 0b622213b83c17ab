#pragma once
// Which listings the client takes: one signed by a trusted key, for the product asked for,
// not older than the last one this user accepted and not expired. A client built without
// trusted keys reads unsigned listings as they come.

#include "crypto/PublicKey.h"
#include "filetree/SignedListing.h"
#include "update/ListingSerials.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class FileTree;

struct ListingVerdict {
    bool accepted = false;
    std::string reason; // English, when refused
    std::string keyId;
    std::uint64_t serial = 0;
    std::uint64_t expires = 0;
    std::string digest; // SHA-256 of the signed part in hex
    std::vector<ListingHeaderWord> words; // the header's further words
    std::string version; // the release's version when the header names a valid one; else empty
};

class ListingTrust {
public:
    // The keys built into the program.
    static ListingTrust BuiltIn();

    // Unsigned listings are read as they come.
    ListingTrust() = default;
    // Only listings signed by one of keys are accepted; without keys, none is.
    explicit ListingTrust(std::vector<EcPublicKey> keys) : keys_(std::move(keys)), signaturesRequired_(true) {}

    bool requiresSignature() const { return signaturesRequired_; }

    // Checks a signed listing exactly as it was received; what verifies is read into
    // tree, which the caller uses only when the listing is accepted. known is the newest
    // listing known for the product: one with a lower serial is refused, and so is one with
    // the same serial and another digest (when known has one). now is in seconds since 1970 UTC.
    ListingVerdict check(std::string_view listing, const std::string& product, const AcceptedListing& known,
                         std::uint64_t now, FileTree& tree) const;

private:
    std::vector<EcPublicKey> keys_;
    bool signaturesRequired_ = false;
};

// Whether text is a SHA-256 as signed listings carry it: 64 lower-case hex digits.
bool IsListedChecksum(const std::string& text);
