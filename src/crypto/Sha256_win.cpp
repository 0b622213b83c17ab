// Windows side of Sha256.h: a CNG hash object of the SHA-256 provider.
#include "crypto/Sha256.h"

#include "crypto/CngHandle.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

// CNG fails here only when SHA-256 is missing from the system or memory is exhausted. No
// digest can be trusted then, and the interface has no way to say so, so the program stops
// as it would when the C++ runtime runs out of memory.
[[noreturn]] void HashFailed(const char* step, NTSTATUS status)
{
    std::fprintf(stderr, "crypto: CNG cannot %s a SHA-256 hash (status 0x%08lX); stopping\n", step,
                 static_cast<unsigned long>(status));
    std::abort();
}

// One provider serves every hash of the process.
BCRYPT_ALG_HANDLE Provider()
{
    static const CngAlgorithm provider = OpenCngAlgorithm(BCRYPT_SHA256_ALGORITHM);
    if (!provider) {
        std::fputs("crypto: CNG has no SHA-256 provider; stopping\n", stderr);
        std::abort();
    }
    return provider.get();
}

// Windows 7 and later keep the hash object's memory themselves when given none.
BCRYPT_HASH_HANDLE NewHash()
{
    BCRYPT_HASH_HANDLE hash = nullptr;
    const NTSTATUS status = BCryptCreateHash(Provider(), &hash, nullptr, 0, nullptr, 0, 0);
    if (status < 0)
        HashFailed("create", status);
    return hash;
}

BCRYPT_HASH_HANDLE Started(void*& context)
{
    if (context == nullptr)
        context = NewHash();
    return context;
}

void Destroy(void* context)
{
    if (context != nullptr)
        BCryptDestroyHash(context);
}

} // namespace

Sha256::Sha256() : context_(NewHash()) {}

Sha256::~Sha256()
{
    Destroy(context_);
}

Sha256::Sha256(Sha256&& other) noexcept : context_(std::exchange(other.context_, nullptr)) {}

Sha256& Sha256::operator=(Sha256&& other) noexcept
{
    if (this != &other) {
        Destroy(context_);
        context_ = std::exchange(other.context_, nullptr);
    }
    return *this;
}

void Sha256::update(const void* bytes, std::size_t count)
{
    BCRYPT_HASH_HANDLE hash = Started(context_);
    // CNG takes a ULONG count and a non-const pointer to input it only reads.
    auto* input = static_cast<UCHAR*>(const_cast<void*>(bytes));
    constexpr std::size_t kMaxPiece = 0x40000000;
    while (count > 0) {
        const std::size_t piece = count < kMaxPiece ? count : kMaxPiece;
        const NTSTATUS status = BCryptHashData(hash, input, static_cast<ULONG>(piece), 0);
        if (status < 0)
            HashFailed("feed", status);
        input += piece;
        count -= piece;
    }
}

Sha256Digest Sha256::finish()
{
    Sha256Digest digest{};
    const NTSTATUS status = BCryptFinishHash(Started(context_), digest.data(), digest.size(), 0);
    if (status < 0)
        HashFailed("finish", status);
    // A finished CNG hash cannot be fed again; the next digest gets a new one.
    Destroy(std::exchange(context_, nullptr));
    context_ = NewHash();
    return digest;
}
