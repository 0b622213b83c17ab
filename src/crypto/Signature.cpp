#include "crypto/Signature.h"

#include "crypto/Der.h"

#include <algorithm>

namespace {

// Half the order n of P-256, rounded down, big-endian: the largest s taken.
constexpr std::array<std::uint8_t, 32> kHalfOrder = {
    0x7F, 0xFF, 0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xDE, 0x73, 0x7D, 0x56, 0xD3, 0x8B, 0xCF, 0x42, 0x79, 0xDC, 0xE5, 0x61, 0x7E, 0x31, 0x92, 0xA8,
};

// Writes the INTEGER content as 32 bytes big-endian; false unless it is a minimally encoded
// positive number below 2^256.
bool ReadMagnitude(std::string_view content, std::uint8_t* out)
{
    if (content.empty() || (content[0] & 0x80) != 0)
        return false;
    if (content[0] == 0) {
        // A zero byte is allowed only where it keeps the next byte's high bit from meaning a
        // sign; alone it is the value zero.
        if (content.size() == 1 || (content[1] & 0x80) == 0)
            return false;
        content.remove_prefix(1);
    }
    if (content.size() > 32)
        return false;
    std::copy(content.begin(), content.end(), out + (32 - content.size()));
    return true;
}

} // namespace

std::optional<std::array<std::uint8_t, 64>> ParseDerSignature(std::string_view der)
{
    std::optional<std::string_view> values = TakeDer(der, kDerSequence);
    if (!values || !der.empty())
        return std::nullopt;
    std::array<std::uint8_t, 64> rs{};
    for (std::size_t half = 0; half < 2; ++half) {
        std::optional<std::string_view> integer = TakeDer(*values, kDerInteger);
        if (!integer || !ReadMagnitude(*integer, rs.data() + 32 * half))
            return std::nullopt;
    }
    if (!values->empty())
        return std::nullopt;
    // Equal-length big-endian numbers compare as their bytes do.
    if (std::lexicographical_compare(kHalfOrder.begin(), kHalfOrder.end(), rs.begin() + 32, rs.end()))
        return std::nullopt;
    return rs;
}
