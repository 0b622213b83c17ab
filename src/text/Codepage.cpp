#include "text/Codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// The characters of the bytes 0x80 to 0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t CharacterOfByte(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return kHighControls[byte - 0x80];
    return byte;
}

// The byte for a character, or -1 when the code page lacks it.
int ByteOfCharacter(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

// Characters of the code page all lie below U+10000, so three bytes suffice.
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

constexpr char32_t kBroken = 0xFFFFFFFF;

// Decodes one well-formed UTF-8 sequence at text[i] and moves i behind it; a broken or
// overlong sequence, a surrogate or a value beyond U+10FFFF gives kBroken and moves i
// past its first byte only.
char32_t DecodeUtf8(const std::string& text, std::size_t& i)
{
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80)
        return lead;
    // Continuation bytes after the lead byte, the lead's payload bits, and the smallest
    // character that needs this length (anything below is an overlong form).
    struct Form {
        unsigned char mask, prefix;
        int length;
        char32_t smallest;
    };
    constexpr Form kForms[] = {{0xE0, 0xC0, 1, 0x80}, {0xF0, 0xE0, 2, 0x800}, {0xF8, 0xF0, 3, 0x10000}};
    const Form* form = nullptr;
    for (const Form& f : kForms) {
        if ((lead & f.mask) == f.prefix)
            form = &f;
    }
    if (form == nullptr)
        return kBroken;
    const int length = form->length;
    char32_t c = lead & static_cast<unsigned char>(~form->mask);
    if (text.size() - i < static_cast<std::size_t>(length))
        return kBroken;
    for (int k = 0; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return kBroken;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < form->smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return kBroken;
    i += length;
    return c;
}

} // namespace

std::string Utf8FromCp1252(const std::string& text)
{
    // Up to the first byte beyond ASCII, which UTF-8 writes as it is (most paths, every
    // status text of an English or unaccented file name), the text is copied whole.
    const auto high =
        std::find_if(text.begin(), text.end(), [](char byte) { return static_cast<unsigned char>(byte) >= 0x80; });
    std::string out;
    out.reserve(text.size() + static_cast<std::size_t>(text.end() - high));
    out.append(text.begin(), high);
    for (auto byte = high; byte != text.end(); ++byte)
        AppendUtf8(out, CharacterOfByte(static_cast<unsigned char>(*byte)));
    return out;
}

std::string Cp1252FromUtf8(const std::string& text, bool* ok)
{
    std::string out;
    out.reserve(text.size());
    bool allConverted = true;
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = DecodeUtf8(text, i);
        const int byte = c == kBroken ? -1 : ByteOfCharacter(c);
        if (byte < 0) {
            allConverted = false;
            out += '?';
        } else {
            out += static_cast<char>(byte);
        }
    }
    if (ok != nullptr)
        *ok = allConverted;
    return out;
}
