#include "text/Codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Literals are stored as Windows-1252; the UTF-8 side is written as escapes.
TEST(Codepage, ConvertsGermanTextBothWays)
{
    const std::string cp1252 = "Prüfe Größe: 5 €";
    const std::string utf8 = "Pr\xC3\xBC"
                             "fe Gr\xC3\xB6\xC3\x9F"
                             "e: 5 \xE2\x82\xAC";
    EXPECT_EQ(Utf8FromCp1252(cp1252), utf8);
    EXPECT_EQ(Cp1252FromUtf8(utf8), cp1252);
}

TEST(Codepage, EveryByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Cp1252FromUtf8(Utf8FromCp1252(all)), all);
    EXPECT_EQ(Utf8FromCp1252("\x81"), "\xC2\x81");
}

TEST(Codepage, UnmappableAndMalformedBecomeQuestionMarks)
{
    struct Case {
        std::string utf8;
        std::string cp1252;
    };
    const Case cases[] = {
        {"\xE4\xB8\xAD", "?"},       // a CJK character
        {"\xF0\x9F\x98\x80x", "?x"}, // outside the basic plane
        {"\xC3", "?"},               // cut sequence at the end
        {"\xC3x", "?x"},             // cut sequence before a letter
        {"\xC0\xAF", "??"},          // overlong slash
        {"\xED\xA0\x80", "???"},     // surrogate
        {"\xFF", "?"},               // never a lead byte
        {"a\x80z", "a?z"},           // stray continuation byte
    };
    for (const Case& c : cases)
        EXPECT_EQ(Cp1252FromUtf8(c.utf8), c.cp1252) << c.utf8;
}

} // namespace
