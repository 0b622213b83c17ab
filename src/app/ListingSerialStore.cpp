#include "app/ListingSerialStore.h"

#include "text/CharClass.h"

#include <cstdint>
#include <string>

namespace {

// 64 lower-case hex digits, as a listing's SHA-256 is written.
bool IsHexDigest(const std::string& text)
{
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

} // namespace

std::optional<AcceptedListing> ListingSerialStore::lastAccepted(const std::string& product) const
{
    AcceptedListing accepted;
    const std::string text = settings_.readString(kSection, product, "");
    if (text.size() > 20)
        return std::nullopt;
    for (const char c : text) {
        if (!IsDigit(c))
            return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (accepted.serial > (UINT64_MAX - digit) / 10)
            return std::nullopt;
        accepted.serial = accepted.serial * 10 + digit;
    }
    accepted.digest = settings_.readString(kDigestSection, product, "");
    if (!accepted.digest.empty() && !IsHexDigest(accepted.digest))
        return std::nullopt;
    return accepted;
}

void ListingSerialStore::remember(const std::string& product, const AcceptedListing& listing)
{
    // Most runs accept the listing they accepted last: each write replaces the settings
    // durably, so an entry that holds its text already is left alone.
    const auto keep = [&](const char* section, const std::string& text) {
        if (settings_.readString(section, product, "") != text)
            settings_.writeString(section, product, text);
    };
    keep(kSection, std::to_string(listing.serial));
    keep(kDigestSection, listing.digest);
}
