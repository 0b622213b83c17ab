// POSIX side of Signature.h: OpenSSL's EVP verification.
#include "crypto/Signature.h"

#include "crypto/OpenSslPtr.h"

#include <algorithm>

#include <openssl/core_names.h>
#include <openssl/params.h>

namespace {

// The key from its point alone, as the Windows side imports it; OpenSSL refuses a point
// that is not on the curve.
OpenSslPtr<EVP_PKEY> ImportKey(const EcPublicKey& key)
{
    unsigned char point[65];
    point[0] = 0x04;
    std::copy(key.x.begin(), key.x.end(), point + 1);
    std::copy(key.y.begin(), key.y.end(), point + 33);
    char curve[] = "prime256v1";
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, curve, 0),
        OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point),
        OSSL_PARAM_construct_end(),
    };
    OpenSslPtr<EVP_PKEY_CTX> context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* imported = nullptr;
    if (!context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
        EVP_PKEY_fromdata(context.get(), &imported, EVP_PKEY_PUBLIC_KEY, params) != 1)
        return nullptr;
    return OpenSslPtr<EVP_PKEY>(imported);
}

} // namespace

bool VerifySignature(const EcPublicKey& key, std::string_view message, std::string_view derSignature)
{
    // Once the strict reading has passed, the DER is the one encoding of r and s, which is
    // what OpenSSL verifies.
    if (!ParseDerSignature(derSignature))
        return false;
    OpenSslPtr<EVP_PKEY> publicKey = ImportKey(key);
    OpenSslPtr<EVP_MD_CTX> context(EVP_MD_CTX_new());
    if (!publicKey || !context ||
        EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, publicKey.get()) != 1)
        return false;
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(derSignature.data()),
                            derSignature.size(), reinterpret_cast<const unsigned char*>(message.data()),
                            message.size()) == 1;
}
