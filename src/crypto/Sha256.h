#pragma once
// SHA-256, computed by the platform (CNG on Windows, OpenSSL's libcrypto elsewhere).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using Sha256Digest = std::array<std::uint8_t, 32>;

// An incremental SHA-256. Move-only: it is the one owner of the platform's hash object. A
// moved-from Sha256 starts over as a new one when it is used again.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    Sha256(Sha256&& other) noexcept;
    Sha256& operator=(Sha256&& other) noexcept;

    void update(const void* bytes, std::size_t count);
    // The digest of everything fed since construction or the last finish; starts over afterwards.
    Sha256Digest finish();

private:
    void* context_ = nullptr;
};

Sha256Digest Sha256Of(std::string_view bytes);

// 64 lower-case hex digits.
std::string HexDigest(const Sha256Digest& digest);
