#pragma once
// ECDSA P-256 signatures over SHA-256, as `openssl dgst -sha256 -sign` makes them.

#include "crypto/PublicKey.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// Strict DER ECDSA-Sig-Value (SEQUENCE of two INTEGERs, as `openssl dgst -sha256 -sign` writes it):
// canonical lengths (no long form for short lengths, no excess leading zeros, no negative values,
// no zero values, integers at most 32 bytes of magnitude), nothing trailing, and s at most half the
// order of P-256: (r, s) and (r, n - s) verify alike, so only the low form is taken, and a
// signature cannot be changed into a second valid one. r and s raw big-endian, 32 bytes each,
// left-padded.
std::optional<std::array<std::uint8_t, 64>> ParseDerSignature(std::string_view der);

// True when derSignature is a valid ECDSA P-256 signature of SHA-256(message) by key.
bool VerifySignature(const EcPublicKey& key, std::string_view message, std::string_view derSignature);
