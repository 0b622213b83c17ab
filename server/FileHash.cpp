#include "FileHash.h"

#include "OpenSslOwners.h"
#include "SignDiagnostic.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Large enough that the read calls cost little beside the hashing, small enough for any machine.
constexpr std::size_t kBlockSize = 1 << 20;

std::string Hex(const unsigned char* bytes, unsigned int count)
{
    constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * count);
    for (unsigned int i = 0; i < count; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0x0F];
    }
    return hex;
}

DigestContextOwner StartSha256()
{
    DigestContextOwner context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        ComplainOpenSsl("cannot start SHA-256");
        return nullptr;
    }
    return context;
}

std::optional<std::string> FinishSha256(EVP_MD_CTX* context)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context, digest, &length) != 1) {
        ComplainOpenSsl("cannot finish SHA-256");
        return std::nullopt;
    }
    return Hex(digest, length);
}

} // namespace

std::optional<std::string> Sha256Hex(std::string_view bytes)
{
    const DigestContextOwner context = StartSha256();
    if (!context)
        return std::nullopt;
    if (EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1) {
        ComplainOpenSsl("cannot compute SHA-256");
        return std::nullopt;
    }
    return FinishSha256(context.get());
}

FileHasher::FileHasher() : block_(std::make_unique_for_overwrite<char[]>(kBlockSize)) {}

std::optional<FileDigest> FileHasher::hash(int fd, const std::string& name)
{
    const DigestContextOwner context = StartSha256();
    if (!context)
        return std::nullopt;
    FileDigest result;
    while (true) {
        const ssize_t got = ::read(fd, block_.get(), kBlockSize);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            Complain("cannot read " + name + ": " + std::strerror(errno));
            return std::nullopt;
        }
        if (got == 0)
            break;
        if (EVP_DigestUpdate(context.get(), block_.get(), static_cast<std::size_t>(got)) != 1) {
            ComplainOpenSsl("cannot compute SHA-256 of " + name);
            return std::nullopt;
        }
        result.size += static_cast<std::uint64_t>(got);
    }
    const auto digest = FinishSha256(context.get());
    if (!digest)
        return std::nullopt;
    result.sha256Hex = *digest;
    return result;
}
