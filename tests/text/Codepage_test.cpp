#include "text/Codepage.h"

#include <gtest/gtest.h>

namespace {

// Literals in this file are stored as Windows-1252; UTF-8 is written as escaped bytes.
struct Pair {
    const char* cp1252;
    const char* utf8;
};

TEST(Codepage, ConvertsBothWays)
{
    const Pair pairs[] = {
        {"", ""},
        {"Corvid.exe", "Corvid.exe"},
        {"\xE4\xF6\xFC\xDF", "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F"},             // äöüß
        {"\xC4rger \xDC", "\xC3\x84rger \xC3\x9C"},                           // Ärger Ü
        {"./Hilfe/\xDC" "ber.txt", "./Hilfe/\xC3\x9C" "ber.txt"},                // ASCII, then Über
        {"\x80", "\xE2\x82\xAC"},                                             // euro sign
        {"\x9F\x8A", "\xC5\xB8\xC5\xA0"},                                     // Ÿ Š
        {"\xA0\xFF", "\xC2\xA0\xC3\xBF"},                                     // no-break space, ÿ
        {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"}, // undefined bytes
    };
    for (const auto& p : pairs) {
        SCOPED_TRACE(p.utf8);
        EXPECT_EQ(Utf8FromCp1252(p.cp1252), p.utf8);
        bool ok = false;
        EXPECT_EQ(Cp1252FromUtf8(p.utf8, &ok), p.cp1252);
        EXPECT_TRUE(ok);
    }
}

TEST(Codepage, EveryByteSurvivesTheWayBack)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    bool ok = false;
    EXPECT_EQ(Cp1252FromUtf8(Utf8FromCp1252(all), &ok), all);
    EXPECT_TRUE(ok);
}

TEST(Codepage, RefusesWhatTheCodePageCannotHold)
{
    const Pair cases[] = {
        {"a?b", "a\xE2\x86\x92"
                "b"},              // arrow U+2192
        {"?", "\xF0\x9F\x90\xA6"}, // a bird outside the basic plane
        {"?x", "\xC3"
               "x"},                       // lead byte without continuation
        {"?", "\xC3"},                     // cut at the end
        {"??", "\xC0\xAF"},                // overlong "/"
        {"???", "\xED\xA0\x80"},           // surrogate
        {"?", "\xBF"},                     // stray continuation byte
        {"?????", "\xF8\x88\x80\x80\x80"}, // five-byte form
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        bool ok = true;
        EXPECT_EQ(Cp1252FromUtf8(c.utf8, &ok), c.cp1252);
        EXPECT_FALSE(ok);
    }
    EXPECT_EQ(Cp1252FromUtf8("\xE2\x86\x92", nullptr), "?");
}

} // namespace
