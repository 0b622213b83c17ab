#pragma once
// The serial of the last signed listing this user accepted for each product, so that an
// older listing replayed by the network or a mirror is refused.

#include <cstdint>
#include <string>

class ListingSerials {
public:
    virtual ~ListingSerials() = default;

    // The last serial accepted for the product; 0 when none was.
    virtual std::uint64_t lastSerial(const std::string& product) const = 0;

    // Remembers serial as the product's last accepted one.
    virtual void remember(const std::string& product, std::uint64_t serial) = 0;
};
