#pragma once
// Checking a local file against what a signed listing says of it.

#include <cstdint>
#include <string>

// Whether the file at localPath has exactly size bytes and, when sha256 is not empty, that
// SHA-256 (64 lower-case hex digits). Reads at most size + 1 bytes.
bool FileMatches(const std::string& localPath, std::uint64_t size, const std::string& sha256);
