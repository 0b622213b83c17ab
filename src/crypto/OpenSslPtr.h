#pragma once
// POSIX only: owners of the OpenSSL objects the crypto code and its tests create.

#include <openssl/bio.h>
#include <openssl/evp.h>

#include <memory>

struct OpenSslFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};

template <typename T> using OpenSslPtr = std::unique_ptr<T, OpenSslFree>;
