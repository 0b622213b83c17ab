// Feeds arbitrary bytes to the strict readers of signatures, public keys and base64. Beyond
// the sanitizers' checks: what is accepted is exactly one canonical encoding, so base64
// re-encodes to its text, a key keeps its DER and point, and a signature's values fit it.
#include "crypto/Base64.h"
#include "crypto/PublicKey.h"
#include "crypto/Signature.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

std::string_view Bytes(const std::array<std::uint8_t, 32>& value)
{
    return {reinterpret_cast<const char*>(value.data()), value.size()};
}

void CheckKey(const EcPublicKey& key, std::string_view der)
{
    if (key.der != der || der.size() != 91 || der[26] != '\x04' || Bytes(key.x) != der.substr(27, 32) ||
        Bytes(key.y) != der.substr(59, 32))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    if (std::optional<std::array<std::uint8_t, 64>> rs = ParseDerSignature(input)) {
        // SEQUENCE and two INTEGERs of one to 33 bytes, short lengths throughout; s low, so
        // its top bit is never set.
        if (size < 8 || size > 72 || (*rs)[32] >= 0x80 ||
            std::all_of(rs->begin(), rs->begin() + 32, [](auto b) { return b == 0; }) ||
            std::all_of(rs->begin() + 32, rs->end(), [](auto b) { return b == 0; }))
            __builtin_trap();
    }

    if (std::optional<EcPublicKey> key = ParsePublicKeyDer(input))
        CheckKey(*key, input);

    for (const EcPublicKey& key : ParsePublicKeysPem(input)) {
        std::optional<EcPublicKey> again = ParsePublicKeyDer(key.der);
        if (!again)
            __builtin_trap();
        CheckKey(key, again->der);
    }

    if (std::optional<std::string> bytes = DecodeBase64(input)) {
        if (EncodeBase64(*bytes) != input)
            __builtin_trap();
    }
    return 0;
}
