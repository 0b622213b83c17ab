#pragma once
// ECDSA P-256 public keys as the maker publishes them: SubjectPublicKeyInfo in DER or PEM.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct EcPublicKey {
    std::array<std::uint8_t, 32> x{}, y{}; // the uncompressed point
    std::string der;                       // the DER SubjectPublicKeyInfo as read
};

// Strict: exactly an id-ecPublicKey SubjectPublicKeyInfo with the prime256v1 named curve and an
// uncompressed point (04 || X || Y) inside a BIT STRING with 0 unused bits; nothing trailing.
// Whether the point lies on the curve is for the platform to judge when it verifies.
std::optional<EcPublicKey> ParsePublicKeyDer(std::string_view der);

// Every "-----BEGIN PUBLIC KEY-----" ... "-----END PUBLIC KEY-----" block of a text (several keys
// in one file allow rotation); text outside the blocks is ignored; empty when any block is malformed
// or there is none.
std::vector<EcPublicKey> ParsePublicKeysPem(std::string_view pem);

// First 16 lower-case hex digits of SHA-256 of key.der.
std::string KeyId(const EcPublicKey& key);
