#pragma once
// Builders of test bytes: hex texts and DER elements with canonical lengths.

#include <cstdint>
#include <string>
#include <string_view>

// The bytes a hex text spells; spaces between digit pairs are allowed for reading.
inline std::string FromHex(std::string_view hex)
{
    std::string bytes;
    int high = -1;
    for (char c : hex) {
        if (c == ' ')
            continue;
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        if (high < 0) {
            high = digit;
        } else {
            bytes += static_cast<char>(high << 4 | digit);
            high = -1;
        }
    }
    return bytes;
}

// One DER element: tag, the shortest length form, content.
inline std::string Tlv(std::uint8_t tag, std::string_view content)
{
    std::string element(1, static_cast<char>(tag));
    const std::size_t length = content.size();
    if (length < 0x80) {
        element += static_cast<char>(length);
    } else if (length < 0x100) {
        element += '\x81';
        element += static_cast<char>(length);
    } else {
        element += '\x82';
        element += static_cast<char>(length >> 8);
        element += static_cast<char>(length & 0xFF);
    }
    element += content;
    return element;
}
