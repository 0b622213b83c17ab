#include "crypto/Signature.h"

#include "crypto/Der.h"

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

// The order n of P-256 and half of it, rounded down, as 32 bytes big-endian.
const std::string kOrder = FromHex("FFFFFFFF00000000FFFFFFFFFFFFFFFFBCE6FAADA7179E84F3B9CAC2FC632551");
const std::string kHalfOrder = FromHex("7FFFFFFF800000007FFFFFFFFFFFFFFFDE737D56D38BCF4279DCE5617E3192A8");

// a - b for 32-byte big-endian numbers with a >= b.
std::string Minus(const std::string& a, const std::string& b)
{
    std::string difference(32, '\0');
    int borrow = 0;
    for (std::size_t i = 32; i-- > 0;) {
        const int digit = static_cast<std::uint8_t>(a[i]) - static_cast<std::uint8_t>(b[i]) - borrow;
        borrow = digit < 0 ? 1 : 0;
        difference[i] = static_cast<char>(digit + 256 * borrow);
    }
    return difference;
}

// An INTEGER's content as 32 bytes big-endian.
std::string Padded(std::string_view content)
{
    if (content.size() > 32)
        content.remove_prefix(content.size() - 32);
    return std::string(32 - content.size(), '\0') + std::string(content);
}

// The other signature of the same values: (r, n - s), which verifies exactly when (r, s) does.
std::string Twin(std::string_view der)
{
    std::optional<std::string_view> values = TakeDer(der, kDerSequence);
    std::optional<std::string_view> r = values ? TakeDer(*values, kDerInteger) : std::nullopt;
    std::optional<std::string_view> s = r ? TakeDer(*values, kDerInteger) : std::nullopt;
    EXPECT_TRUE(s);
    if (!s)
        return {};
    const std::string twinS = Minus(kOrder, Padded(*s));
    return Tlv(0x30, Tlv(0x02, *r) +
                         Tlv(0x02, MinimalInteger(reinterpret_cast<const std::uint8_t*>(twinS.data()))));
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
        {Tlv(0x30, Tlv(0x02, '\0' + ones) + Tlv(0x02, full)), ones, full,
         "33 bytes whose zero keeps the top bit from being a sign"},
        {Tlv(0x30, Tlv(0x02, full) + Tlv(0x02, "\x01")), full, std::string(31, '\0') + "\x01",
         "32 bytes without sign byte"},
        {Tlv(0x30, Tlv(0x02, '\0' + high) + Tlv(0x02, kHalfOrder)), high, kHalfOrder,
         "s half the order, the largest taken"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<std::array<std::uint8_t, 64>> rs = ParseDerSignature(c.der);
        ASSERT_TRUE(rs);
        EXPECT_EQ(std::string(rs->begin(), rs->begin() + 32), c.r);
        EXPECT_EQ(std::string(rs->begin() + 32, rs->end()), c.s);
    }
}

// A signature of r = 1 and the INTEGER content given for s.
std::string SignatureWithS(const std::string& s)
{
    return Tlv(0x30, FromHex("020101") + Tlv(0x02, s));
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
        {SignatureWithS(FromHex("7FFFFFFF800000007FFFFFFFFFFFFFFFDE737D56D38BCF4279DCE5617E3192A9")),
         "s one above half the order"},
        {SignatureWithS(FromHex("7FFFFFFF80000001000000000000000000000000000000000000000000000000")),
         "s above half the order in an early byte, below it in the later ones"},
        {SignatureWithS('\0' + Minus(kOrder, FromHex(std::string(63, '0') + "1"))), "s the order less one"},
        {SignatureWithS('\0' + kOrder), "s the order"},
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

TEST(VerifySignature, RefusesAHighS)
{
    // OpenSSL's own high-S signature verifies once turned low, which shows Twin is right.
    const EcPublicKey key = SignerKey();
    const std::string lowTwin = Twin(kHighSSignature);
    EXPECT_TRUE(VerifySignature(key, kMessage, lowTwin));
    EXPECT_FALSE(VerifySignature(key, kMessage, kHighSSignature));
    EXPECT_FALSE(VerifySignature(key, kMessage, Twin(kSignature)));
    EXPECT_EQ(Twin(lowTwin), kHighSSignature);
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
