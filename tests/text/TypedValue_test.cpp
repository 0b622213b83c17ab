#include "text/TypedValue.h"

#include <gtest/gtest.h>

namespace {

struct DisplayCase {
    int type;
    int decimals;
    const char* text;
    const char* display;
};

TEST(TypedValue, DisplayFollowsTheType)
{
    const DisplayCase cases[] = {
        {8, 1, "12,5", "12,5 %"},
        {8, 1, "0", ""},
        {8, -1, "3", "3,00 %"},
        {1, -1, "-", "-"},
        {1, -1, "1234", "1.234"},
        {1, -1, "1.234", "1.234"},
        {1, -1, "", "0"},
        {1, -1, "abc", "0"},
        {1, -1, "99.999.999.999", "4.294.967.295"},
        {4, 2, "1234,5", "1.234,50"},
        {4, -1, "1234,5", "1.234,50"},
        {5, 2, "1234,5", "1.234,5"},
        {0, 2, "abc", "abc"},
        {-3, 2, "1234", "1234"},
        {2, 2, "1234", "1234"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + c.text);
        TypedValue value(c.text);
        value.type = c.type;
        value.decimals = c.decimals;
        EXPECT_EQ(value.Display(), c.display);
    }
}

TEST(TypedValue, DefaultsAndSetText)
{
    TypedValue value;
    EXPECT_EQ(value.Text(), "");
    EXPECT_EQ(value.type, 0);
    EXPECT_EQ(value.decimals, -1);

    EXPECT_EQ(value.SetText(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(value.Text(), "ab");
    EXPECT_EQ(value.SetText("xyz"), "xyz");
    EXPECT_DOUBLE_EQ(TypedValue("1.234,5").AsNumber().value(), 1234.5);
}

} // namespace
