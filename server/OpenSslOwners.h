#pragma once
// One owner for each kind of OpenSSL object the signing tool holds: each frees its object
// when it goes, so no return path frees by hand.

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/ec.h>
#include <openssl/evp.h>

#include <memory>

template <auto Free> struct OpenSslFree {
    template <typename T> void operator()(T* object) const { Free(object); }
};

using PkeyOwner = std::unique_ptr<EVP_PKEY, OpenSslFree<&EVP_PKEY_free>>;
using PkeyContextOwner = std::unique_ptr<EVP_PKEY_CTX, OpenSslFree<&EVP_PKEY_CTX_free>>;
using DigestContextOwner = std::unique_ptr<EVP_MD_CTX, OpenSslFree<&EVP_MD_CTX_free>>;
using BioOwner = std::unique_ptr<BIO, OpenSslFree<&BIO_free_all>>;
using BignumOwner = std::unique_ptr<BIGNUM, OpenSslFree<&BN_free>>;
using EcGroupOwner = std::unique_ptr<EC_GROUP, OpenSslFree<&EC_GROUP_free>>;
using EcdsaSignatureOwner = std::unique_ptr<ECDSA_SIG, OpenSslFree<&ECDSA_SIG_free>>;

// Bytes OpenSSL allocated for the caller (such as the DER that i2d_PUBKEY writes).
struct OpenSslBytesFree {
    void operator()(unsigned char* bytes) const { OPENSSL_free(bytes); }
};
using OpenSslBytesOwner = std::unique_ptr<unsigned char, OpenSslBytesFree>;
