#include "crypto/Der.h"

#include <cstddef>

std::optional<DerElement> TakeDerElement(std::string_view& input)
{
    if (input.size() < 2)
        return std::nullopt;
    const auto tag = static_cast<std::uint8_t>(input[0]);
    // Tag numbers above 30 continue in further bytes; nothing read here uses them.
    if ((tag & 0x1F) == 0x1F)
        return std::nullopt;
    const auto first = static_cast<std::uint8_t>(input[1]);
    std::size_t header = 2;
    std::size_t length = first;
    if (first >= 0x80) {
        // 0x80 is the indefinite length, which DER forbids.
        const std::size_t digits = first & 0x7F;
        if (digits == 0 || digits > 4 || input.size() < 2 + digits || input[2] == 0)
            return std::nullopt;
        length = 0;
        for (std::size_t k = 0; k < digits; ++k)
            length = length << 8 | static_cast<std::uint8_t>(input[2 + k]);
        if (length < 0x80)
            return std::nullopt;
        header += digits;
    }
    if (input.size() - header < length)
        return std::nullopt;
    DerElement element{tag, input.substr(header, length)};
    input.remove_prefix(header + length);
    return element;
}

std::optional<std::string_view> TakeDer(std::string_view& input, std::uint8_t tag)
{
    std::string_view rest = input;
    std::optional<DerElement> element = TakeDerElement(rest);
    if (!element || element->tag != tag)
        return std::nullopt;
    input = rest;
    return element->content;
}
