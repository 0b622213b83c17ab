#include "crypto/PublicKey.h"

#include "crypto/Der.h"
#include "crypto/Pem.h"
#include "crypto/Sha256.h"

#include <algorithm>
#include <utility>

namespace {

using namespace std::string_view_literals;

constexpr std::uint8_t kSequence = 0x30;
constexpr std::uint8_t kBitString = 0x03;
constexpr std::uint8_t kObjectId = 0x06;
constexpr auto kEcPublicKeyOid = "\x2a\x86\x48\xce\x3d\x02\x01"sv;      // 1.2.840.10045.2.1
constexpr auto kPrime256v1Oid = "\x2a\x86\x48\xce\x3d\x03\x01\x07"sv; // 1.2.840.10045.3.1.7

// The element at the front of input if it has the tag; input is then behind it.
std::optional<std::string_view> Take(std::string_view& input, std::uint8_t tag)
{
    std::string_view rest = input;
    std::optional<DerElement> element = TakeDerElement(rest);
    if (!element || element->tag != tag)
        return std::nullopt;
    input = rest;
    return element->content;
}

// SEQUENCE { SEQUENCE { OID id-ecPublicKey, OID prime256v1 }, BIT STRING { 00 04 X Y } }
std::optional<std::string_view> PointOf(std::string_view der)
{
    std::optional<std::string_view> info = Take(der, kSequence);
    if (!info || !der.empty())
        return std::nullopt;
    std::optional<std::string_view> algorithm = Take(*info, kSequence);
    std::optional<std::string_view> bits = Take(*info, kBitString);
    if (!algorithm || !bits || !info->empty())
        return std::nullopt;
    std::optional<std::string_view> keyType = Take(*algorithm, kObjectId);
    std::optional<std::string_view> curve = Take(*algorithm, kObjectId);
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
