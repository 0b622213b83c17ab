#pragma once
// The maker's signing key: ECDSA on the curve P-256 in standard PEM, so that OpenSSL (and key
// services that speak PEM) can make it as well as this tool. Each function writes a line to
// standard error when it fails.

#include "OpenSslOwners.h"

#include <optional>
#include <string>

// A new P-256 private key; null when OpenSSL cannot make one.
PkeyOwner GenerateMakerKey();

// The private key in a PEM file (PKCS#8 "PRIVATE KEY" or SEC1 "EC PRIVATE KEY"; OpenSSL asks
// for the pass phrase of an encrypted one on the terminal). Null when the file cannot be read
// or holds a key other than EC P-256.
PkeyOwner ReadPrivateKey(const std::string& path);

// The public key in a PEM file ("PUBLIC KEY", SubjectPublicKeyInfo); null when it cannot be
// read or is not EC P-256.
PkeyOwner ReadPublicKey(const std::string& path);

// The private key as unencrypted PKCS#8 PEM.
std::optional<std::string> PrivateKeyPem(EVP_PKEY* key);

// The public half of key as SubjectPublicKeyInfo PEM ("-----BEGIN PUBLIC KEY-----").
std::optional<std::string> PublicKeyPem(EVP_PKEY* key);

// The key's id in a signed listing: the first 16 lower-case hex digits of the SHA-256 of the
// public key's DER SubjectPublicKeyInfo.
std::optional<std::string> MakerKeyId(EVP_PKEY* key);
