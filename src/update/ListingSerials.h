#pragma once
// The serial and digest of the last signed listing this user accepted for each product, so
// that an older listing replayed by the network or a mirror is refused, and so is another
// listing under a serial already accepted.

#include <cstdint>
#include <optional>
#include <string>

struct AcceptedListing {
    std::uint64_t serial = 0; // 0 when none was accepted
    std::string digest;       // SHA-256 of its signed part in hex; empty when not known
};

class ListingSerials {
public:
    virtual ~ListingSerials() = default;

    // The last listing accepted for the product; none when what is stored cannot be read,
    // which is never taken for "none accepted".
    virtual std::optional<AcceptedListing> lastAccepted(const std::string& product) const = 0;

    // Remembers listing as the product's last accepted one.
    virtual void remember(const std::string& product, const AcceptedListing& listing) = 0;
};
