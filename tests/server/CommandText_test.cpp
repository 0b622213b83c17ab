#include "CommandText.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandText, ParsesNumbersAndFields)
{
    const auto list = ParseCommandText("0 15 Corvid\x03");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->client, 0u);
    EXPECT_EQ(list->command, 15u);
    EXPECT_EQ(list->fields, (std::vector<std::string>{"Corvid"}));

    const auto file = ParseCommandText(std::string("12 16 K\xE4"
                                                   "fer\x03./a\0b\x03\x03",
                                                   19));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->client, 12u);
    EXPECT_EQ(file->fields, (std::vector<std::string>{"K\xE4"
                                                      "fer",
                                                      std::string("./a\0b", 5), ""}));

    const auto none = ParseCommandText("0 15 ");
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->fields.empty());
}

TEST(CommandText, RefusesOtherForms)
{
    const char* malformed[] = {
        "",
        "0",
        "0 15",
        "015 Corvid\x03",
        "0  15 Corvid\x03",
        "a 15 Corvid\x03",
        "0 x Corvid\x03",
        "0 15 Corvid",
        "0 15 A\x03rest",
        "-1 15 A\x03",
        "0 1234567890 A\x03",
        " 0 15 A\x03",
    };
    for (const char* text : malformed) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseCommandText(text));
    }
}

} // namespace
