// Windows side of Signature.h: CNG's ECDSA P-256 over a CNG SHA-256.
#include "crypto/Signature.h"

#include "crypto/CngHandle.h"
#include "crypto/Sha256.h"

#include <algorithm>
#include <cstdio>

namespace {

// One provider serves every verification of the process.
BCRYPT_ALG_HANDLE Provider()
{
    static const CngAlgorithm provider = OpenCngAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    return provider.get();
}

// The key as CNG imports a public ECC key: the blob header, then X and Y.
CngKey ImportKey(BCRYPT_ALG_HANDLE provider, const EcPublicKey& key)
{
    UCHAR blob[sizeof(BCRYPT_ECCKEY_BLOB) + 64];
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::copy_n(reinterpret_cast<const UCHAR*>(&header), sizeof header, blob);
    std::copy(key.x.begin(), key.x.end(), blob + sizeof header);
    std::copy(key.y.begin(), key.y.end(), blob + sizeof header + 32);
    CngKey imported;
    const NTSTATUS status =
        BCryptImportKeyPair(provider, nullptr, BCRYPT_ECCPUBLIC_BLOB, imported.put(), blob, sizeof blob, 0);
    if (status < 0)
        imported.reset();
    return imported;
}

} // namespace

bool VerifySignature(const EcPublicKey& key, std::string_view message, std::string_view derSignature)
{
    std::optional<std::array<std::uint8_t, 64>> rs = ParseDerSignature(derSignature);
    if (!rs)
        return false;
    BCRYPT_ALG_HANDLE provider = Provider();
    if (provider == nullptr) {
        std::fputs("crypto: CNG has no ECDSA P-256 provider; no signature can be verified\n", stderr);
        return false;
    }
    CngKey publicKey = ImportKey(provider, key);
    if (!publicKey)
        return false;
    Sha256Digest digest = Sha256Of(message);
    // CNG takes r then s, 32 bytes each, which is what the strict reading gives.
    return BCRYPT_SUCCESS(BCryptVerifySignature(publicKey.get(), nullptr, digest.data(), digest.size(),
                                                rs->data(), rs->size(), 0));
}
