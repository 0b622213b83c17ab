#include "filetree/SignedListing.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kKeyId = "0123456789abcdef";
// A DER ECDSA signature as base64 is 96 characters at most; this one is of typical length.
const std::string kSignature =
    "MEUCIQDX8l1Hc2D3b2s0Vq5wL0gqG7m2e6sU2p9x0V6qkY8s4wIgQx7y5r9c1nA3f0dE2kqJ6m8w9b1sP4zT7u2v5y8a1c4=";

TEST(SignedListing, SplitsAtTheFirstPreambleTerminator)
{
    struct Case {
        std::string listing;
        bool splits;
        std::string preamble;
        std::string body;
    };
    const Case cases[] = {
        {"", false, "", ""},
        {"jobgate file listing", false, "", ""},
        {"\x04", true, "", ""},
        {"pre\x04", true, "pre", ""},
        {"pre\x04"
         "15\x03\x04x",
         true, "pre", "15\x03\x04x"},
        {std::string("a\0b\x04\0", 5), true, std::string("a\0b", 3), std::string("\0", 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.listing);
        const auto parts = SplitListing(c.listing);
        ASSERT_EQ(parts.has_value(), c.splits);
        if (!parts)
            continue;
        EXPECT_EQ(parts->preamble, c.preamble);
        EXPECT_EQ(parts->body, c.body);
    }
}

TEST(SignedListing, ReadsWellFormedSignatureBlocks)
{
    const std::pair<std::string, std::string> good[] = {
        {kKeyId, kSignature},
        {"ffffffffffffffff", "AAAA"},
        {"0000000000000000", "AAE="}, // one "=": the last digit's two spare bits are zero
        {"0a0b0c0d0e0f0102", "AQ=="}, // two "=": four spare bits zero
        {kKeyId, "+/+/"},
    };
    for (const auto& [keyId, signature] : good) {
        SCOPED_TRACE(signature);
        const auto block = ParseSignatureBlock("brenhold-signature 1 " + keyId + " " + signature);
        ASSERT_TRUE(block.has_value());
        EXPECT_EQ(block->keyId, keyId);
        EXPECT_EQ(block->signatureBase64, signature);
        EXPECT_EQ(FormatSignatureBlock(*block), "brenhold-signature 1 " + keyId + " " + signature);
    }
}

TEST(SignedListing, RefusesMalformedSignatureBlocks)
{
    const std::string prefix = "brenhold-signature 1 ";
    const std::pair<const char*, std::string> bad[] = {
        {"empty", ""},
        {"the unsigned preamble", "jobgate file listing"},
        {"prefix only", prefix},
        {"another version", "brenhold-signature 2 " + kKeyId + " " + kSignature},
        {"another word", "brenhold-signatures 1 " + kKeyId + " " + kSignature},
        {"upper-case word", "Brenhold-signature 1 " + kKeyId + " " + kSignature},
        {"two spaces before the key", "brenhold-signature 1  " + kKeyId + " " + kSignature},
        {"two spaces before the signature", prefix + kKeyId + "  " + kSignature},
        {"tab", prefix + kKeyId + "\t" + kSignature},
        {"leading space", " " + prefix + kKeyId + " " + kSignature},
        {"trailing space", prefix + kKeyId + " " + kSignature + " "},
        {"trailing line end", prefix + kKeyId + " " + kSignature + "\n"},
        {"no signature", prefix + kKeyId + " "},
        {"no signature nor space", prefix + kKeyId},
        {"upper-case key id", prefix + "0123456789ABCDEF " + kSignature},
        {"key id of 15 digits", prefix + "0123456789abcde " + kSignature},
        {"key id of 17 digits", prefix + "0123456789abcdef0 " + kSignature},
        {"key id not hex", prefix + "0123456789abcdeg " + kSignature},
        {"signature of 5 characters", prefix + kKeyId + " AAAAA"},
        {"signature of 3 characters", prefix + kKeyId + " AAA"},
        {"padding in the middle", prefix + kKeyId + " A=AA"},
        {"three padding characters", prefix + kKeyId + " A==="},
        {"padding only", prefix + kKeyId + " ===="},
        {"URL-safe alphabet", prefix + kKeyId + " AB-_"},
        {"line break inside", prefix + kKeyId + " AAAA\nAAAA"},
        {"space inside", prefix + kKeyId + " AAAA AAAA"},
        {"spare bits set, one =", prefix + kKeyId + " AAB="},
        {"spare bits set, two =", prefix + kKeyId + " AB=="},
        {"zero byte", prefix + kKeyId + " " + std::string("AA\0A", 4)},
        {"longer than a field", prefix + kKeyId + " " + std::string(1000, 'A')},
    };
    for (const auto& [what, preamble] : bad) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(ParseSignatureBlock(preamble).has_value());
    }
}

TEST(SignedListing, ReadsValidityTexts)
{
    const std::pair<std::string, ListingValidity> good[] = {
        {"files serial=1 expires=1800000000", {1, 1800000000}},
        {"files serial=0 expires=0", {0, 0}},
        {"files serial=18446744073709551615 expires=18446744073709551615",
         {18446744073709551615ull, 18446744073709551615ull}},
        {"files serial=10 expires=4102444800", {10, 4102444800ull}},
        // Words a reader does not know are kept and skipped: a newer maker's tool may add them.
        {"files serial=3 expires=9 not-yet-known=x", {3, 9, {{"not-yet-known", "x"}}}},
        {"files serial=3 expires=9 a=1 flag b=", {3, 9, {{"a", "1"}, {"flag", ""}, {"b", ""}}}},
    };
    for (const auto& [text, validity] : good) {
        SCOPED_TRACE(text);
        const auto parsed = ParseValidity(text);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->serial, validity.serial);
        EXPECT_EQ(parsed->expires, validity.expires);
        ASSERT_EQ(parsed->words.size(), validity.words.size());
        for (std::size_t i = 0; i < validity.words.size(); ++i) {
            EXPECT_EQ(parsed->words[i].name, validity.words[i].name);
            EXPECT_EQ(parsed->words[i].value, validity.words[i].value);
        }
        // A word without '=' reads back as one with an empty value.
        if (text.find(" flag ") == std::string::npos) {
            EXPECT_EQ(FormatValidity(validity), text);
        }
    }
    const auto words = ParseValidity("files serial=3 expires=9 a=1 a=2");
    ASSERT_TRUE(words.has_value());
    EXPECT_EQ(HeaderWord(*words, "a"), "1");
    EXPECT_FALSE(HeaderWord(*words, "b").has_value());
}

TEST(SignedListing, RefusesMalformedValidityTexts)
{
    const char* bad[] = {
        "",
        "files",
        "files serial=1",
        "files expires=2",
        "files expires=2 serial=1",
        "Files serial=1 expires=2",
        " files serial=1 expires=2",
        "files  serial=1 expires=2",
        "files serial=1  expires=2",
        "files serial=1 expires=2 ",
        "files serial=1 expires=2\n",
        "files serial= expires=2",
        "files serial=1 expires=",
        "files serial=01 expires=2",
        "files serial=1 expires=00",
        "files serial=-1 expires=2",
        "files serial=+1 expires=2",
        "files serial=1 expires=2x",
        "files serial=0x1 expires=2",
        "files serial=1 expires=18446744073709551616",
        "files serial=99999999999999999999 expires=2",
        "files serial=1 expires=2 expires=3",
        "files serial=1 expires=2 serial=3",
        "files serial=1 expires=2 =x",
        "files serial=1 expires=2  a=1",
        "files serial=1 expires=2 a=1 ",
    };
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseValidity(text).has_value());
    }
}

} // namespace

TEST(SignedListing, ReleaseVersionsAreShortAndHoldNoSpaceOrSeparator)
{
    for (const char* good : {"1", "2.1", "2027-03", "3.0-beta+7", "v2_1", "12345678901234567890123456789012"})
        EXPECT_TRUE(IsReleaseVersion(good)) << good;
    for (const char* bad : {"", "2.1 beta", "2.1;x", "2,1", "2.1=3", "\xfc", "2.1\x03",
                            "123456789012345678901234567890123"})
        EXPECT_FALSE(IsReleaseVersion(bad)) << bad;
}
