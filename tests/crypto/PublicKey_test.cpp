#include "crypto/PublicKey.h"

#include "crypto/Base64.h"

#include "DerBytes.h"
#include "OpenSslFixtures.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace openssl_fixtures;

const std::string kEcPublicKeyOid = FromHex("2a8648ce3d0201");
const std::string kPrime256v1Oid = FromHex("2a8648ce3d030107");

std::string Spki(std::string_view algorithm, std::string_view bits)
{
    return Tlv(0x30, Tlv(0x30, algorithm) + Tlv(0x03, bits));
}

std::string Pem(std::string_view der)
{
    return "-----BEGIN PUBLIC KEY-----\n" + EncodeBase64(der) + "\n-----END PUBLIC KEY-----\n";
}

std::string Replaced(std::string_view text, std::string_view what, std::string_view with)
{
    std::string result(text);
    const std::size_t at = result.find(what);
    EXPECT_NE(at, std::string::npos) << what;
    if (at != std::string::npos)
        result.replace(at, what.size(), with);
    return result;
}

TEST(PublicKey, ReadsTheKeyOpenSslWrote)
{
    std::vector<EcPublicKey> keys = ParsePublicKeysPem(kSignerPublicPem);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].der, kSignerPublicDer);
    // The point is the last 64 bytes of the DER, behind 04.
    EXPECT_EQ(std::string(keys[0].x.begin(), keys[0].x.end()), kSignerPublicDer.substr(27, 32));
    EXPECT_EQ(std::string(keys[0].y.begin(), keys[0].y.end()), kSignerPublicDer.substr(59, 32));
    EXPECT_EQ(KeyId(keys[0]), kSignerKeyId);

    std::optional<EcPublicKey> fromDer = ParsePublicKeyDer(kSignerPublicDer);
    ASSERT_TRUE(fromDer);
    EXPECT_EQ(fromDer->x, keys[0].x);
    EXPECT_EQ(fromDer->y, keys[0].y);
}

TEST(PublicKey, ReadsEveryBlockOfAFileInOrder)
{
    const std::string file = "Schlüssel der Ausgabe 2031\n" + std::string(kSignerPublicPem) +
                             "\nNachfolger:\n" + std::string(kOtherPublicPem) + "Ende\n";
    std::vector<EcPublicKey> keys = ParsePublicKeysPem(file);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].der, kSignerPublicDer);
    EXPECT_EQ(keys[1].der, ParsePublicKeysPem(kOtherPublicPem).at(0).der);
    EXPECT_NE(KeyId(keys[0]), KeyId(keys[1]));

    // Line ends written on Windows, and other PEM blocks beside them.
    std::string crlf;
    for (char c : file)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(ParsePublicKeysPem(crlf).size(), 2u);
    EXPECT_EQ(ParsePublicKeysPem(std::string(kSignerPrivatePem) + std::string(kSignerPublicPem)).size(), 1u);
}

TEST(PublicKey, RefusesAFileWithAnyBadBlock)
{
    const std::string good(kSignerPublicPem);
    const std::string body = good.substr(good.find('\n') + 1, 64);
    std::string badBody = body;
    badBody[0] = '*';
    const struct {
        std::string pem;
        const char* fault;
    } cases[] = {
        {"", "empty file"},
        {"no key here\n", "no block"},
        {std::string(kSignerPrivatePem), "a private key only"},
        {std::string(kP384PublicPem), "secp384r1 key"},
        {std::string(kSignerCompressedPublicPem), "compressed point"},
        {Pem(std::string(kSignerPublicDer) + '\0'), "a byte behind the DER"},
        {Pem(kSignerPublicDer.substr(0, kSignerPublicDer.size() - 1)), "DER cut short"},
        {Replaced(good, body, badBody), "a symbol outside base64"},
        {Replaced(good, "==", "="), "padding cut short"},
        {good.substr(0, good.find("-----END")), "no end line"},
        {"-----BEGIN PUBLIC KEY-----\n-----END PUBLIC KEY-----\n", "an empty block"},
        {good + std::string(kP384PublicPem), "a good block and a bad one"},
        {Replaced(good, "-----BEGIN PUBLIC KEY-----\n", "-----BEGIN PUBLIC KEY-----\nComment: x\n"),
         "a header line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        EXPECT_TRUE(ParsePublicKeysPem(c.pem).empty());
    }
}

TEST(PublicKey, RefusesDerThatIsNotExactlyAnUncompressedP256Key)
{
    const std::string algorithm = Tlv(0x06, kEcPublicKeyOid) + Tlv(0x06, kPrime256v1Oid);
    const std::string point = std::string("\x04").append(kSignerPublicDer.substr(27));
    const std::string bits = '\0' + point;
    // The builder makes OpenSSL's bytes, so each case below differs in the one fault it names.
    ASSERT_EQ(Spki(algorithm, bits), kSignerPublicDer);

    const std::string good(kSignerPublicDer);
    const struct {
        std::string der;
        const char* fault;
    } cases[] = {
        {"", "empty"},
        {good + '\0', "a trailing byte"},
        {good.substr(0, good.size() - 1), "cut short"},
        {"\x30\x81" + good.substr(1), "long-form outer length"},
        {Spki(algorithm, "\x01" + point), "unused bits in the BIT STRING"},
        {Spki(algorithm, '\0' + Replaced(point, "\x04", "\x06")), "hybrid point form"},
        {Spki(algorithm, '\0' + point.substr(0, 33)), "X alone"},
        {Spki(algorithm, bits + '\0'), "a byte behind the point"},
        {Spki(Tlv(0x06, kEcPublicKeyOid) + Tlv(0x06, FromHex("2b81040022")), bits), "secp384r1 named"},
        {Spki(Tlv(0x06, FromHex("2a864886f70d010101")) + Tlv(0x06, kPrime256v1Oid), bits), "an RSA key type"},
        {Spki(Tlv(0x06, kEcPublicKeyOid), bits), "no curve"},
        {Spki(algorithm + Tlv(0x05, ""), bits), "a third algorithm element"},
        {Tlv(0x30, Tlv(0x30, algorithm) + Tlv(0x04, bits)), "an OCTET STRING for the key"},
        {Tlv(0x30, Tlv(0x30, algorithm) + Tlv(0x03, bits) + Tlv(0x05, "")), "a third element"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        EXPECT_EQ(ParsePublicKeyDer(c.der), std::nullopt);
    }
}

} // namespace
