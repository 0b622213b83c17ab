#include "crypto/Base64.h"

#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SymbolValue(char symbol)
{
    if (symbol >= 'A' && symbol <= 'Z')
        return symbol - 'A';
    if (symbol >= 'a' && symbol <= 'z')
        return symbol - 'a' + 26;
    if (symbol >= '0' && symbol <= '9')
        return symbol - '0' + 52;
    if (symbol == '+')
        return 62;
    if (symbol == '/')
        return 63;
    return -1;
}

} // namespace

std::optional<std::string> DecodeBase64(std::string_view text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t at = 0; at < text.size(); at += 4) {
        std::size_t padding = 0;
        if (at + 4 == text.size() && text[at + 3] == '=')
            padding = text[at + 2] == '=' ? 2 : 1;
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 4 - padding; ++k) {
            const int value = SymbolValue(text[at + k]);
            if (value < 0)
                return std::nullopt;
            group = group << 6 | static_cast<std::uint32_t>(value);
        }
        group <<= 6 * padding;
        // Bits beyond the last byte must be zero, so that every byte string has exactly one
        // text.
        const std::uint32_t unused = padding == 2 ? 0xFFFF : padding == 1 ? 0xFF : 0;
        if ((group & unused) != 0)
            return std::nullopt;
        bytes += static_cast<char>(group >> 16);
        if (padding < 2)
            bytes += static_cast<char>(group >> 8 & 0xFF);
        if (padding < 1)
            bytes += static_cast<char>(group & 0xFF);
    }
    return bytes;
}

std::string EncodeBase64(std::string_view bytes)
{
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        const std::size_t count = bytes.size() - at < 3 ? bytes.size() - at : 3;
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            const auto byte = k < count ? static_cast<std::uint8_t>(bytes[at + k]) : std::uint8_t{0};
            group = group << 8 | byte;
        }
        text += kAlphabet[group >> 18];
        text += kAlphabet[group >> 12 & 0x3F];
        text += count > 1 ? kAlphabet[group >> 6 & 0x3F] : '=';
        text += count > 2 ? kAlphabet[group & 0x3F] : '=';
    }
    return text;
}
