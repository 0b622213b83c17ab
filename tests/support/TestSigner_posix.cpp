// POSIX side of TestSigner.h: OpenSSL reads the key and signs.
#include "TestSigner.h"

#include "crypto/OpenSslPtr.h"

#include <openssl/pem.h>

#include <cstring>

namespace {

// An encrypted key would make OpenSSL ask for a pass phrase on the terminal.
int NoPassphrase(char*, int, int, void*)
{
    return 0;
}

bool IsP256(EVP_PKEY* key)
{
    char curve[32] = {};
    std::size_t length = 0;
    return EVP_PKEY_get_group_name(key, curve, sizeof curve, &length) == 1 &&
           std::strcmp(curve, "prime256v1") == 0;
}

} // namespace

std::string SignOnceForTest(const std::string& privateKeyPem, std::string_view message)
{
    OpenSslPtr<BIO> pem(BIO_new_mem_buf(privateKeyPem.data(), static_cast<int>(privateKeyPem.size())));
    if (!pem)
        return {};
    OpenSslPtr<EVP_PKEY> key(PEM_read_bio_PrivateKey(pem.get(), nullptr, NoPassphrase, nullptr));
    OpenSslPtr<EVP_MD_CTX> context(EVP_MD_CTX_new());
    if (!key || !IsP256(key.get()) || !context ||
        EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1)
        return {};
    const auto* bytes = reinterpret_cast<const unsigned char*>(message.data());
    std::size_t length = 0;
    if (EVP_DigestSign(context.get(), nullptr, &length, bytes, message.size()) != 1)
        return {};
    std::string signature(length, '\0');
    if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length, bytes,
                       message.size()) != 1)
        return {};
    signature.resize(length);
    return signature;
}
