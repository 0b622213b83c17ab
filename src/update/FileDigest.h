#pragma once
// Checking a local file against what a signed listing says of it, and hashing it.

#include "crypto/Sha256.h"

#include <cstdint>
#include <string>

// Feeds the first bytes of the file at localPath, at most limit of them, into hash and counts
// them in read; false when the file cannot be opened or a read fails.
bool HashFile(const std::string& localPath, std::uint64_t limit, Sha256& hash, std::uint64_t& read);

// Whether the file at localPath has exactly size bytes and, when sha256 is not empty, that
// SHA-256 (64 lower-case hex digits). Reads at most size + 1 bytes.
bool FileMatches(const std::string& localPath, std::uint64_t size, const std::string& sha256);

// The SHA-256 of the file at localPath in lower-case hex, or empty when it cannot be read.
std::string LocalFileSha256(const std::string& localPath);
