#pragma once
// The serials of accepted signed listings kept in the settings store: section
// "ListingSerial", one decimal entry per product, and the digest of each in section
// "ListingDigest".

#include "app/SettingsStore.h"
#include "update/ListingSerials.h"

class ListingSerialStore : public ListingSerials {
public:
    static constexpr char kSection[] = "ListingSerial";
    static constexpr char kDigestSection[] = "ListingDigest";

    explicit ListingSerialStore(SettingsStore& settings) : settings_(settings) {}

    // None when the stored serial is no decimal number or the stored digest no SHA-256.
    std::optional<AcceptedListing> lastAccepted(const std::string& product) const override;
    void remember(const std::string& product, const AcceptedListing& listing) override;

private:
    SettingsStore& settings_;
};
