// Windows side of TestSigner.h: the key read from its DER here, CNG signs.
#include "TestSigner.h"

#include "crypto/CngHandle.h"
#include "crypto/Der.h"
#include "crypto/Pem.h"
#include "crypto/Sha256.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace {

using namespace std::string_view_literals;

constexpr auto kEcPublicKeyOid = "\x2a\x86\x48\xce\x3d\x02\x01"sv;      // 1.2.840.10045.2.1
constexpr auto kPrime256v1Oid = "\x2a\x86\x48\xce\x3d\x03\x01\x07"sv; // 1.2.840.10045.3.1.7

struct PrivateKey {
    std::array<UCHAR, 32> x{}, y{}, d{};
};

std::optional<std::string_view> Take(std::string_view& input, std::uint8_t tag)
{
    std::string_view rest = input;
    std::optional<DerElement> element = TakeDerElement(rest);
    if (!element || element->tag != tag)
        return std::nullopt;
    input = rest;
    return element->content;
}

// The element if the next one has the tag; nothing taken otherwise.
std::optional<std::string_view> TakeOptional(std::string_view& input, std::uint8_t tag)
{
    if (input.empty() || static_cast<std::uint8_t>(input[0]) != tag)
        return std::nullopt;
    return Take(input, tag);
}

// SEC1 ECPrivateKey: SEQUENCE { INTEGER 1, OCTET STRING d, [0] { OID curve } OPTIONAL,
// [1] { BIT STRING 00 04 X Y } }. CNG needs the public point beside d, and OpenSSL always
// writes it, so here it is required.
std::optional<PrivateKey> ReadSec1(std::string_view der)
{
    std::optional<std::string_view> body = Take(der, 0x30);
    if (!body || !der.empty())
        return std::nullopt;
    std::optional<std::string_view> version = Take(*body, 0x02);
    std::optional<std::string_view> secret = Take(*body, 0x04);
    if (!version || *version != "\x01"sv || !secret || secret->empty() || secret->size() > 32)
        return std::nullopt;
    if (std::optional<std::string_view> parameters = TakeOptional(*body, 0xA0)) {
        std::optional<std::string_view> curve = Take(*parameters, 0x06);
        if (!curve || *curve != kPrime256v1Oid || !parameters->empty())
            return std::nullopt;
    }
    std::optional<std::string_view> publicKey = Take(*body, 0xA1);
    if (!publicKey)
        return std::nullopt;
    std::optional<std::string_view> bits = Take(*publicKey, 0x03);
    if (!bits || !publicKey->empty() || !body->empty() || bits->size() != 66 || (*bits)[0] != 0 ||
        (*bits)[1] != 0x04)
        return std::nullopt;
    PrivateKey key;
    std::copy(secret->begin(), secret->end(), key.d.end() - secret->size());
    std::copy_n(bits->begin() + 2, 32, key.x.begin());
    std::copy_n(bits->begin() + 34, 32, key.y.begin());
    return key;
}

// PKCS#8: SEQUENCE { INTEGER 0, SEQUENCE { OID id-ecPublicKey, OID prime256v1 },
// OCTET STRING { ECPrivateKey }, [0] attributes OPTIONAL }.
std::optional<PrivateKey> ReadPkcs8(std::string_view der)
{
    std::optional<std::string_view> body = Take(der, 0x30);
    if (!body || !der.empty())
        return std::nullopt;
    std::optional<std::string_view> version = Take(*body, 0x02);
    std::optional<std::string_view> algorithm = Take(*body, 0x30);
    std::optional<std::string_view> inner = Take(*body, 0x04);
    if (!version || *version != "\x00"sv || !algorithm || !inner)
        return std::nullopt;
    TakeOptional(*body, 0xA0);
    std::optional<std::string_view> keyType = Take(*algorithm, 0x06);
    std::optional<std::string_view> curve = Take(*algorithm, 0x06);
    if (!body->empty() || !keyType || *keyType != kEcPublicKeyOid || !curve || *curve != kPrime256v1Oid ||
        !algorithm->empty())
        return std::nullopt;
    return ReadSec1(*inner);
}

std::optional<PrivateKey> ReadPrivateKey(const std::string& pem)
{
    std::optional<std::vector<std::string>> sec1 = ReadPemBlocks(pem, "EC PRIVATE KEY");
    if (sec1 && sec1->size() == 1)
        return ReadSec1(sec1->front());
    std::optional<std::vector<std::string>> pkcs8 = ReadPemBlocks(pem, "PRIVATE KEY");
    if (pkcs8 && pkcs8->size() == 1)
        return ReadPkcs8(pkcs8->front());
    return std::nullopt;
}

// One INTEGER of the DER signature from its 32 bytes: leading zeros dropped, one zero put
// back where the top bit would read as a sign.
std::string DerInteger(const UCHAR* magnitude)
{
    std::size_t skip = 0;
    while (skip < 31 && magnitude[skip] == 0)
        ++skip;
    std::string content;
    if ((magnitude[skip] & 0x80) != 0)
        content += '\0';
    content.append(reinterpret_cast<const char*>(magnitude + skip), 32 - skip);
    return std::string{'\x02', static_cast<char>(content.size())} + content;
}

} // namespace

std::string SignForTest(const std::string& privateKeyPem, std::string_view message)
{
    std::optional<PrivateKey> key = ReadPrivateKey(privateKeyPem);
    if (!key)
        return {};
    CngAlgorithm provider = OpenCngAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!provider)
        return {};
    // The private blob: the header, then X, Y and d.
    UCHAR blob[sizeof(BCRYPT_ECCKEY_BLOB) + 96];
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PRIVATE_P256_MAGIC, 32};
    std::copy_n(reinterpret_cast<const UCHAR*>(&header), sizeof header, blob);
    std::copy(key->x.begin(), key->x.end(), blob + sizeof header);
    std::copy(key->y.begin(), key->y.end(), blob + sizeof header + 32);
    std::copy(key->d.begin(), key->d.end(), blob + sizeof header + 64);
    CngKey signer;
    if (BCryptImportKeyPair(provider.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, signer.put(), blob, sizeof blob, 0) <
        0)
        return {};
    Sha256Digest digest = Sha256Of(message);
    UCHAR rs[64];
    ULONG written = 0;
    if (BCryptSignHash(signer.get(), nullptr, digest.data(), digest.size(), rs, sizeof rs, &written, 0) < 0 ||
        written != sizeof rs)
        return {};
    const std::string values = DerInteger(rs) + DerInteger(rs + 32);
    return std::string{'\x30', static_cast<char>(values.size())} + values;
}
