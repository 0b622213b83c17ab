#include "crypto/Base64.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Base64, EncodesAndDecodesKnownTexts)
{
    const struct {
        std::string bytes;
        const char* text;
    } cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"\xFB\xFF", "+/8="},
        {std::string("\0\0\0", 3), "AAAA"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(EncodeBase64(c.bytes), c.text);
        EXPECT_EQ(DecodeBase64(c.text), c.bytes);
    }
}

TEST(Base64, RoundTripsEveryByteValueAtEveryOffset)
{
    std::string all;
    for (int value = 0; value < 256; ++value)
        all += static_cast<char>(value);
    for (std::size_t start = 0; start < 3; ++start) {
        SCOPED_TRACE(start);
        const std::string bytes = all.substr(start);
        EXPECT_EQ(DecodeBase64(EncodeBase64(bytes)), bytes);
    }
}

TEST(Base64, RefusesEverythingButCanonicalText)
{
    const struct {
        std::string text;
        const char* fault;
    } cases[] = {
        {"Zg", "padding left out"},
        {"Zg=", "padding cut short"},
        {"Z===", "three padding symbols"},
        {"====", "only padding"},
        {"Zg==Zm9v", "padding before the last group"},
        {"Zg=a", "padding inside the last group"},
        {"=Zm9", "padding first"},
        {"Zh==", "unused bits set behind one byte"},
        {"Zm9=", "unused bits set behind two bytes"},
        {"Zm9v\n", "line break"},
        {" Zm9v", "space"},
        {"Zm9-", "URL-safe alphabet"},
        {"Zm_v", "URL-safe alphabet"},
        {std::string("Zm\0v", 4), "zero byte"},
        {"Zm9\xC4", "byte beyond ASCII"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        EXPECT_EQ(DecodeBase64(c.text), std::nullopt);
    }
}

} // namespace
