#include "text/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

struct FormatCase {
    const char* input;
    int decimals;
    const char* formatted;
    const char* trimmed;
};

const FormatCase kFormatCases[] = {
    {"1.234,5", 2, "1.234,50", "1.234,5"},
    {"1234567", 0, "1.234.567,--", "1.234.567,--"},
    {"1234,6", -2, "1.235", "1.235"},
    {"-0,5", 1, "-0,5", "-0,5"},
    {"0", 2, "", ""},
    {"0,00", 2, "", ""},
    {"0", -20, "0", "0"},
    {"0", -2, "", ""},
    {"0", 0, "", ""},
    {"-1.234,5", 2, "-1.234,50", "-1.234,5"},
    {"999,996", 2, "1.000,00", "1.000"},
    {"999999,5", -2, "1.000.000", "1.000.000"},
    {"-999,996", 2, "-1.000,00", "-1.000"},
    {"100", -2, "100", "100"},
    {"100,10", 2, "100,10", "100,1"},
    {"5", 0, "5,--", "5,--"},
    {"1234", 2, "1.234,00", "1.234"},
    {"1200", -20, "1.200", "1.200"},
    {"12", 0, "12,--", "12,--"},
    {"1.234,56", -1, "1.234,56", "1.234,56"},
    {"123456,789", 3, "123.456,789", "123.456,789"},
    {"1,234.56", 2, "1,23", "1,23"}, // English style reads as 1.23456
    {"abc", 2, "", ""},
    {"  +2,5e3", 1, "2.500,0", "2.500"},
    {"0,004", 2, "0,00", "0"},
    {"12", 7, "12,0000000", "12"},
};

void PrintTo(const FormatCase& c, std::ostream* out)
{
    *out << '"' << c.input << "\" with " << c.decimals;
}

class NumberTextFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(NumberTextFormat, FormatsTheGermanWay)
{
    const FormatCase& c = GetParam();
    NumberText number{std::string(c.input)};
    EXPECT_EQ(number.Format(c.decimals), c.formatted);
    EXPECT_EQ(number.FormatTrimmed(c.decimals), c.trimmed);
}

INSTANTIATE_TEST_SUITE_P(Cases, NumberTextFormat, ::testing::ValuesIn(kFormatCases));

TEST(NumberText, ParseNormalisesGermanText)
{
    EXPECT_DOUBLE_EQ(NumberText("1.234,56").value(), 1234.56);
    EXPECT_DOUBLE_EQ(NumberText("-12,5").value(), -12.5);
    EXPECT_DOUBLE_EQ(NumberText("1,234.56").value(), 1.23456);
    EXPECT_DOUBLE_EQ(NumberText("").value(), 0.0);
    EXPECT_DOUBLE_EQ(NumberText("0x1A").value(), 26.0);
    EXPECT_DOUBLE_EQ(NumberText("12abc").value(), 12.0);
}

TEST(NumberText, CodesOutsideTheTableGiveEmptyText)
{
    NumberText number("12,5");
    EXPECT_EQ(number.Format(-7), "");
    EXPECT_EQ(number.Format(100000), "");
}

// A German process locale makes the C library print and read "," as the decimal point;
// the formatter must not notice.
TEST(NumberText, IndependentOfTheProcessLocale)
{
    const char* candidates[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252", "German"};
    const char* chosen = nullptr;
    for (const char* name : candidates) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            chosen = name;
            break;
        }
    }
    ASSERT_NE(chosen, nullptr) << "no German locale available";
    ASSERT_EQ(*std::localeconv()->decimal_point, ',') << chosen;

    for (const FormatCase& c : kFormatCases) {
        NumberText number{std::string(c.input)};
        EXPECT_EQ(number.Format(c.decimals), c.formatted) << c.input;
    }
    EXPECT_DOUBLE_EQ(NumberText("1.234,56").value(), 1234.56);
    std::setlocale(LC_ALL, "C");
}

} // namespace
