#include "crypto/Sha256.h"

Sha256Digest Sha256Of(std::string_view bytes)
{
    Sha256 hash;
    hash.update(bytes.data(), bytes.size());
    return hash.finish();
}

std::string HexDigest(const Sha256Digest& digest)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * digest.size());
    for (std::uint8_t byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}
