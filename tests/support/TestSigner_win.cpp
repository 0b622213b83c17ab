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

struct PrivateKey {
    std::array<UCHAR, 32> x{}, y{}, d{};
};

// SEC1 ECPrivateKey: SEQUENCE { INTEGER 1, OCTET STRING d, [0] { OID curve } OPTIONAL,
// [1] { BIT STRING 00 04 X Y } }. CNG needs the public point beside d, and OpenSSL always
// writes it, so here it is required.
std::optional<PrivateKey> ReadSec1(std::string_view der)
{
    std::optional<std::string_view> body = TakeDer(der, kDerSequence);
    if (!body || !der.empty())
        return std::nullopt;
    std::optional<std::string_view> version = TakeDer(*body, kDerInteger);
    std::optional<std::string_view> secret = TakeDer(*body, kDerOctetString);
    if (!version || *version != "\x01"sv || !secret || secret->empty() || secret->size() > 32)
        return std::nullopt;
    if (std::optional<std::string_view> parameters = TakeDer(*body, 0xA0)) {
        std::optional<std::string_view> curve = TakeDer(*parameters, kDerObjectId);
        if (!curve || *curve != kPrime256v1Oid || !parameters->empty())
            return std::nullopt;
    }
    std::optional<std::string_view> publicKey = TakeDer(*body, 0xA1);
    if (!publicKey)
        return std::nullopt;
    std::optional<std::string_view> bits = TakeDer(*publicKey, kDerBitString);
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
    std::optional<std::string_view> body = TakeDer(der, kDerSequence);
    if (!body || !der.empty())
        return std::nullopt;
    std::optional<std::string_view> version = TakeDer(*body, kDerInteger);
    std::optional<std::string_view> algorithm = TakeDer(*body, kDerSequence);
    std::optional<std::string_view> inner = TakeDer(*body, kDerOctetString);
    if (!version || *version != "\x00"sv || !algorithm || !inner)
        return std::nullopt;
    TakeDer(*body, 0xA0); // attributes, of no use here
    std::optional<std::string_view> keyType = TakeDer(*algorithm, kDerObjectId);
    std::optional<std::string_view> curve = TakeDer(*algorithm, kDerObjectId);
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

std::string SignOnceForTest(const std::string& privateKeyPem, std::string_view message)
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
    const NTSTATUS imported = BCryptImportKeyPair(provider.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB,
                                                  signer.put(), blob, sizeof blob, 0);
    if (imported < 0)
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
