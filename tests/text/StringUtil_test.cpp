#include "text/StringUtil.h"

#include <gtest/gtest.h>

namespace {

struct CutCase {
    const char* source;
    std::size_t count;
    const char* left;
    const char* right;
};

TEST(StringUtil, LeftAndRightCharsCutOrKeepWhole)
{
    const CutCase cases[] = {
        {"abc", 5, "abc", "abc"}, {"abc", 3, "abc", "abc"}, {"abc", 2, "ab", "bc"}, {"abc", 0, "", ""},
        {"./x", 2, "./", "/x"},   {"", 0, "", ""},          {"", 4, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " / " + std::to_string(c.count));
        EXPECT_EQ(LeftChars(c.source, c.count), c.left);
        EXPECT_EQ(RightChars(c.source, c.count), c.right);
    }
}

struct ReplaceCase {
    const char* source;
    const char* what;
    const char* with;
    const char* all;        // ReplaceAll: search resumes behind the insertion
    const char* repeatedly; // ReplaceRepeatedly: search restarts at the beginning
};

TEST(StringUtil, ReplaceRulesDiffer)
{
    const ReplaceCase cases[] = {
        {"aaaa", "aa", "a", "aa", "a"},
        {"abc", "", "x", "abc", "abc"},
        {"abc", "b", "b", "abc", "abc"},
        {"C:\\Programme\\X", "\\", "/", "C:/Programme/X", "C:/Programme/X"},
        {"a\\\\b", "\\", "/", "a//b", "a//b"},
        {"xyz", "q", "r", "xyz", "xyz"},
        {"abab", "ab", "", "", ""},
        {"aabb", "ab", "", "ab", ""},
        // A replacement containing the searched text would never end when searched
        // again from the start; it is replaced once, left to right.
        {"aa", "a", "ab", "abab", "abab"},
        {"a.b", ".", "..", "a..b", "a..b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " [" + c.what + " -> " + c.with + "]");
        std::string all = c.source;
        ReplaceAll(all, c.what, c.with);
        EXPECT_EQ(all, c.all);

        std::string repeated = c.source;
        const std::string copy = ReplaceRepeatedly(repeated, c.what, c.with);
        EXPECT_EQ(repeated, c.repeatedly);
        EXPECT_EQ(copy, c.repeatedly);
    }
}

TEST(StringUtil, ReplaceRepeatedlyReturnsAnIndependentCopy)
{
    std::string s = "a\\b";
    std::string copy = ReplaceRepeatedly(s, "\\", "/");
    copy += "!";
    EXPECT_EQ(s, "a/b");
}

TEST(StringUtil, ToUnsignedReadsDottedDigits)
{
    const struct {
        const char* text;
        std::uint32_t value;
    } cases[] = {
        {"1.234", 1234u},
        {"1.391.755.671", 1391755671u},
        {"", 0u},
        {"abc", 0u},
        {"12ab", 12u},
        {"  \t42", 42u},
        {"+7", 7u},
        {"-1", 4294967295u},
        {"-5", 4294967291u},
        {"4294967295", 4294967295u},
        {"4294967296", 4294967295u},
        {"99999999999", 4294967295u},
        {"-99999999999", 4294967295u},
        {"1,5", 1u},
        {"\xFC"
         "12",
         0u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ToUnsigned(c.text), c.value);
    }
}

} // namespace
