// POSIX side of Sha256.h: an OpenSSL EVP digest context.
#include "crypto/Sha256.h"

#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

// libcrypto fails here only when it cannot allocate a few hundred bytes. No digest can be
// trusted then, and the interface has no way to say so, so the program stops as it would
// when the C++ runtime runs out of memory.
[[noreturn]] void DigestFailed(const char* step)
{
    std::fprintf(stderr, "crypto: OpenSSL cannot %s a SHA-256 digest; stopping\n", step);
    std::abort();
}

EVP_MD_CTX* NewContext()
{
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    if (context == nullptr || EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1)
        DigestFailed("start");
    return context;
}

EVP_MD_CTX* Started(void*& context)
{
    if (context == nullptr)
        context = NewContext();
    return static_cast<EVP_MD_CTX*>(context);
}

} // namespace

Sha256::Sha256() : context_(NewContext()) {}

Sha256::~Sha256()
{
    EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(context_));
}

Sha256::Sha256(Sha256&& other) noexcept : context_(std::exchange(other.context_, nullptr)) {}

Sha256& Sha256::operator=(Sha256&& other) noexcept
{
    if (this != &other) {
        EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(context_));
        context_ = std::exchange(other.context_, nullptr);
    }
    return *this;
}

void Sha256::update(const void* bytes, std::size_t count)
{
    if (EVP_DigestUpdate(Started(context_), bytes, count) != 1)
        DigestFailed("feed");
}

Sha256Digest Sha256::finish()
{
    EVP_MD_CTX* context = Started(context_);
    Sha256Digest digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context, digest.data(), &length) != 1 || length != digest.size())
        DigestFailed("finish");
    if (EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1)
        DigestFailed("restart");
    return digest;
}
