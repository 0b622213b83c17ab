#include "crypto/Signature.h"

#include "DerBytes.h"
#include "OpenSslFixtures.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace openssl_fixtures;

// The content of a minimal DER INTEGER for a 32-byte magnitude.
std::string MinimalInteger(const std::uint8_t* magnitude)
{
    std::size_t skip = 0;
    while (skip < 31 && magnitude[skip] == 0)
        ++skip;
    std::string content = (magnitude[skip] & 0x80) != 0 ? std::string(1, '\0') : std::string();
    content.append(reinterpret_cast<const char*>(magnitude + skip), 32 - skip);
    return content;
}

EcPublicKey SignerKey()
{
    std::optional<EcPublicKey> key = ParsePublicKeyDer(kSignerPublicDer);
    EXPECT_TRUE(key);
    return key.value_or(EcPublicKey{});
}

TEST(ParseDerSignature, ReadsCanonicalSignatures)
{
    const std::string high(32, '\x80');
    const std::string ones(32, '\xFF');
    const std::string full(32, '\x7F');
    const struct {
        std::string der;
        std::string r, s;
        const char* name;
    } cases[] = {
        {FromHex("3006 020101 020102"), std::string(31, '\0') + "\x01", std::string(31, '\0') + "\x02",
         "one-byte values, left-padded"},
        {Tlv(0x30, Tlv(0x02, '\0' + high) + Tlv(0x02, '\0' + ones)), high, ones,
         "33 bytes whose zero keeps the top bit from being a sign"},
        {Tlv(0x30, Tlv(0x02, full) + Tlv(0x02, "\x01")), full, std::string(31, '\0') + "\x01",
         "32 bytes without sign byte"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<std::array<std::uint8_t, 64>> rs = ParseDerSignature(c.der);
        ASSERT_TRUE(rs);
        EXPECT_EQ(std::string(rs->begin(), rs->begin() + 32), c.r);
        EXPECT_EQ(std::string(rs->begin() + 32, rs->end()), c.s);
    }
}

TEST(ParseDerSignature, RefusesAnythingElse)
{
    const struct {
        std::string der;
        const char* fault;
    } cases[] = {
        {"", "empty"},
        {FromHex("30"), "a tag alone"},
        {FromHex("3006 020101 0201"), "cut short"},
        {FromHex("3006 020101 020102 00"), "a trailing byte"},
        {FromHex("3005 020101 020102"), "sequence length short of its values"},
        {FromHex("308106 020101 020102"), "long-form length for a short sequence"},
        {FromHex("3007 02810101 020102"), "long-form length for a short integer"},
        {FromHex("3080 020101 020102 0000"), "indefinite length"},
        {FromHex("3007 02020001 020102"), "excess leading zero"},
        {FromHex("3007 020100 020102"), "zero r"},
        {FromHex("3006 020101 020100"), "zero s"},
        {FromHex("3007 02020000 020102"), "zero written with two bytes"},
        {FromHex("3006 020181 020102"), "negative r"},
        {FromHex("3006 020101 0201ff"), "negative s"},
        {FromHex("3005 0200 020102"), "empty integer"},
        {Tlv(0x30, Tlv(0x02, "\x01" + std::string(32, '\0')) + Tlv(0x02, "\x01")), "33 bytes of magnitude"},
        {Tlv(0x30, Tlv(0x02, '\0' + std::string(33, '\x80')) + Tlv(0x02, "\x01")),
         "33 bytes of magnitude behind a sign byte"},
        {FromHex("3106 020101 020102"), "a SET instead of a SEQUENCE"},
        {FromHex("3006 030101 020102"), "a BIT STRING instead of an INTEGER"},
        {FromHex("3003 020101"), "one integer"},
        {FromHex("3009 020101 020102 020103"), "three integers"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        EXPECT_EQ(ParseDerSignature(c.der), std::nullopt);
    }
}

TEST(VerifySignature, AcceptsTheSignatureOpenSslMade)
{
    EXPECT_TRUE(VerifySignature(SignerKey(), kMessage, kSignature));
}

TEST(VerifySignature, RefusesAnyChangedMessageByte)
{
    const EcPublicKey key = SignerKey();
    for (std::size_t at = 0; at < kMessage.size(); ++at) {
        SCOPED_TRACE(at);
        std::string message(kMessage);
        message[at] ^= 0x01;
        EXPECT_FALSE(VerifySignature(key, message, kSignature));
    }
    EXPECT_FALSE(VerifySignature(key, std::string(kMessage) + " ", kSignature));
    EXPECT_FALSE(VerifySignature(key, "", kSignature));
}

TEST(VerifySignature, RefusesAnyChangedSignatureByte)
{
    const EcPublicKey key = SignerKey();
    for (std::size_t at = 0; at < kSignature.size(); ++at) {
        SCOPED_TRACE(at);
        std::string signature(kSignature);
        signature[at] ^= 0x01;
        EXPECT_FALSE(VerifySignature(key, kMessage, signature));
    }
}

TEST(VerifySignature, RefusesAnotherKey)
{
    std::vector<EcPublicKey> other = ParsePublicKeysPem(kOtherPublicPem);
    ASSERT_EQ(other.size(), 1u);
    EXPECT_FALSE(VerifySignature(other[0], kMessage, kSignature));
}

TEST(VerifySignature, RefusesAPointOffTheCurve)
{
    EcPublicKey key = SignerKey();
    key.y[31] ^= 0x01;
    EXPECT_FALSE(VerifySignature(key, kMessage, kSignature));
}

TEST(VerifySignature, RefusesTruncatedAndOverlongDer)
{
    const EcPublicKey key = SignerKey();
    for (std::size_t length = 0; length < kSignature.size(); ++length) {
        SCOPED_TRACE(length);
        EXPECT_FALSE(VerifySignature(key, kMessage, kSignature.substr(0, length)));
    }
    EXPECT_FALSE(VerifySignature(key, kMessage, std::string(kSignature) + '\0'));
}

TEST(VerifySignature, RefusesOtherEncodingsOfTheSameValues)
{
    const EcPublicKey key = SignerKey();
    std::optional<std::array<std::uint8_t, 64>> rs = ParseDerSignature(kSignature);
    ASSERT_TRUE(rs);
    const std::string r = MinimalInteger(rs->data());
    const std::string s = MinimalInteger(rs->data() + 32);
    const std::string values = Tlv(0x02, r) + Tlv(0x02, s);
    // The values re-encoded canonically are OpenSSL's bytes, so the variants below differ
    // from a valid signature in their encoding alone.
    ASSERT_EQ(Tlv(0x30, values), kSignature);

    const struct {
        std::string der;
        const char* encoding;
    } cases[] = {
        {std::string("\x30\x81", 2) + static_cast<char>(values.size()) + values, "long-form sequence length"},
        {Tlv(0x30, std::string("\x02\x81", 2) + static_cast<char>(r.size()) + r + Tlv(0x02, s)),
         "long-form integer length"},
        {Tlv(0x30, Tlv(0x02, '\0' + r) + Tlv(0x02, s)), "extra leading zero in r"},
        {Tlv(0x30, Tlv(0x02, r) + Tlv(0x02, '\0' + s)), "extra leading zero in s"},
        {Tlv(0x30, values + Tlv(0x05, "")), "a third element"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoding);
        EXPECT_FALSE(VerifySignature(key, kMessage, c.der));
    }
}

} // namespace
