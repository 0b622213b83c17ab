#pragma once
// The serials of accepted signed listings kept in the settings store: section
// "ListingSerial", one decimal entry per product.

#include "app/SettingsStore.h"
#include "update/ListingSerials.h"

class ListingSerialStore : public ListingSerials {
public:
    static constexpr char kSection[] = "ListingSerial";

    explicit ListingSerialStore(SettingsStore& settings) : settings_(settings) {}

    // 0 also when the stored text is no decimal number (the next accepted listing then
    // stores a good one).
    std::uint64_t lastSerial(const std::string& product) const override;
    void remember(const std::string& product, std::uint64_t serial) override;

private:
    SettingsStore& settings_;
};
