#include "text/Codepage.h"

#include <cstdint>

namespace {

// Unicode of the bytes 80..9F; the rest of the code page equals Latin-1.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t UnicodeOf(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

int ByteOf(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == c)
            return 0x80 + i;
    }
    return -1;
}

// Decodes one UTF-8 sequence at text[i]; advances i past it. Returns -1 for a malformed
// sequence (overlong forms, surrogates and values beyond U+10FFFF included), having
// advanced past its first byte only, so the next character is read afresh.
std::int32_t DecodeUtf8(const std::string& text, std::size_t& i)
{
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80)
        return lead;
    int length;
    char32_t c;
    char32_t least;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 1;
        c = lead & 0x1F;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 2;
        c = lead & 0x0F;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 3;
        c = lead & 0x07;
        least = 0x10000;
    } else {
        return -1;
    }
    std::size_t j = i;
    for (int k = 0; k < length; ++k, ++j) {
        if (j >= text.size())
            return -1;
        const auto next = static_cast<unsigned char>(text[j]);
        if ((next & 0xC0) != 0x80)
            return -1;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return -1;
    i = j;
    return static_cast<std::int32_t>(c);
}

} // namespace

std::string Utf8FromCp1252(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char byte : text)
        AppendUtf8(out, UnicodeOf(static_cast<unsigned char>(byte)));
    return out;
}

std::string Cp1252FromUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::int32_t c = DecodeUtf8(text, i);
        const int byte = c < 0 ? -1 : ByteOf(static_cast<char32_t>(c));
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}
