#include "crypto/PublicKey.h"

#include "crypto/Der.h"
#include "crypto/Pem.h"
#include "crypto/Sha256.h"

#include <algorithm>
#include <utility>

namespace {

// SEQUENCE { SEQUENCE { OID id-ecPublicKey, OID prime256v1 }, BIT STRING { 00 04 X Y } }
std::optional<std::string_view> PointOf(std::string_view der)
{
    std::optional<std::string_view> info = TakeDer(der, kDerSequence);
    if (!info || !der.empty())
        return std::nullopt;
    std::optional<std::string_view> algorithm = TakeDer(*info, kDerSequence);
    std::optional<std::string_view> bits = TakeDer(*info, kDerBitString);
    if (!algorithm || !bits || !info->empty())
        return std::nullopt;
    std::optional<std::string_view> keyType = TakeDer(*algorithm, kDerObjectId);
    std::optional<std::string_view> curve = TakeDer(*algorithm, kDerObjectId);
    if (!keyType || *keyType != kEcPublicKeyOid || !curve || *curve != kPrime256v1Oid || !algorithm->empty())
        return std::nullopt;
    // No unused bits, then the uncompressed form.
    if (bits->size() != 2 + 64 || (*bits)[0] != 0 || (*bits)[1] != 0x04)
        return std::nullopt;
    return bits->substr(2);
}

} // namespace

std::optional<EcPublicKey> ParsePublicKeyDer(std::string_view der)
{
    std::optional<std::string_view> point = PointOf(der);
    if (!point)
        return std::nullopt;
    EcPublicKey key;
    std::copy_n(point->begin(), 32, key.x.begin());
    std::copy_n(point->begin() + 32, 32, key.y.begin());
    key.der = der;
    return key;
}

std::vector<EcPublicKey> ParsePublicKeysPem(std::string_view pem)
{
    std::optional<std::vector<std::string>> blocks = ReadPemBlocks(pem, "PUBLIC KEY");
    if (!blocks)
        return {};
    std::vector<EcPublicKey> keys;
    for (const std::string& der : *blocks) {
        std::optional<EcPublicKey> key = ParsePublicKeyDer(der);
        if (!key)
            return {};
        keys.push_back(std::move(*key));
    }
    return keys;
}

std::string KeyId(const EcPublicKey& key)
{
    return HexDigest(Sha256Of(key.der)).substr(0, 16);
}
