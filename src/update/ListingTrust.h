#pragma once
// Which listings the client takes: one signed by a trusted key, for the product asked for,
// not older than the last one this user accepted and not expired. A client built without
// trusted keys reads unsigned listings as they come.

#include "crypto/PublicKey.h"

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
    // tree, which the caller uses only when the listing is accepted. lastSerial is the serial last accepted for the product; now is in
    // seconds since 1970 UTC.
    ListingVerdict check(std::string_view listing, const std::string& product, std::uint64_t lastSerial,
                         std::uint64_t now, FileTree& tree) const;

private:
    std::vector<EcPublicKey> keys_;
    bool signaturesRequired_ = false;
};

// Whether text is a SHA-256 as signed listings carry it: 64 lower-case hex digits.
bool IsListedChecksum(const std::string& text);
