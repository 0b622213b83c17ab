#include "text/FormatString.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(FormatString, ReturnsTheWholeTextAtAnyLength)
{
    for (std::size_t length : {0, 1, 98, 99, 100, 101, 199, 200, 201, 253, 254, 255, 256, 5000, 70000}) {
        SCOPED_TRACE(length);
        const std::string body(length, 'x');
        EXPECT_EQ(FormatString("%s", body.c_str()), body);
        EXPECT_EQ(FormatString("<%s>", body.c_str()), "<" + body + ">");
    }
}

TEST(FormatString, FormatsHostAndPort)
{
    EXPECT_EQ(FormatString("%s:%d", "update.example", 80), "update.example:80");
    EXPECT_EQ(FormatString("%d/%d: %s", 2, 3, "./a"), "2/3: ./a");
}

TEST(RandomHexToken, HalvesLieInTheDrawnRange)
{
    for (std::time_t seed = 0; seed < 20000; seed += 7) {
        const std::string token = RandomHexTokenAt(seed);
        ASSERT_EQ(token.size(), 8u) << seed;
        ASSERT_EQ(token.find_first_not_of("0123456789ABCDEF"), std::string::npos) << token;
        const auto a = std::strtoul(token.substr(0, 4).c_str(), nullptr, 16);
        const auto b = std::strtoul(token.substr(4).c_str(), nullptr, 16);
        ASSERT_GE(a, 1000u) << token;
        ASSERT_LE(a, 9999u) << token;
        ASSERT_GE(b, 1000u) << token;
        ASSERT_LE(b, 9999u) << token;
    }
}

TEST(RandomHexToken, SameSecondSameTokenOtherwiseDifferent)
{
    EXPECT_EQ(RandomHexTokenAt(1700000000), RandomHexTokenAt(1700000000));
    EXPECT_NE(RandomHexTokenAt(1700000000), RandomHexTokenAt(1700000001));
    EXPECT_EQ(RandomHexToken().size(), 8u);
}

TEST(FormatGrouped, GroupsFromTheRight)
{
    const struct {
        std::uint32_t value;
        const char* text;
    } cases[] = {
        {0u, "0"},          {999u, "999"},           {1000u, "1.000"},
        {12345u, "12.345"}, {1234567u, "1.234.567"}, {4294967295u, "4.294.967.295"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatGrouped(c.value), c.text);
}

} // namespace
