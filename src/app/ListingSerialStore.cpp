#include "app/ListingSerialStore.h"

#include "text/CharClass.h"

#include <cstdint>
#include <string>

std::uint64_t ListingSerialStore::lastSerial(const std::string& product) const
{
    const std::string text = settings_.readString(kSection, product, "");
    if (text.empty() || text.size() > 20)
        return 0;
    std::uint64_t serial = 0;
    for (const char c : text) {
        if (!IsDigit(c))
            return 0;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (serial > (UINT64_MAX - digit) / 10)
            return 0;
        serial = serial * 10 + digit;
    }
    return serial;
}

void ListingSerialStore::remember(const std::string& product, std::uint64_t serial)
{
    settings_.writeString(kSection, product, std::to_string(serial));
}
