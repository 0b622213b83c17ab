#pragma once
// Signs and verifies the body of a signed listing (every byte after the preamble's
// terminator): ECDSA P-256 over its SHA-256, the signature DER-encoded exactly as
// `openssl dgst -sha256 -sign KEY` writes it and `openssl dgst -sha256 -verify` reads it.

#include "OpenSslOwners.h"

#include <optional>
#include <string>
#include <string_view>

// The DER signature of body by the private key (a P-256 key), its s at most half the curve's
// order as clients require; none, with a line on standard error, on failure.
std::optional<std::string> SignListingBody(EVP_PKEY* privateKey, std::string_view body);

// Whether der is a valid signature of body by the key.
bool VerifyListingBody(EVP_PKEY* publicKey, std::string_view body, std::string_view der);

// bytes in base64, standard alphabet with "=" padding and no line breaks.
std::string Base64(std::string_view bytes);

// The bytes of base64 text as ParseSignatureBlock accepts it; none when OpenSSL cannot decode it.
std::optional<std::string> FromBase64(std::string_view text);
