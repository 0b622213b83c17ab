#pragma once
// SHA-256 by OpenSSL, written as 64 lower-case hex digits the way a signed listing holds it.
// Each function writes a line to standard error when it fails.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct FileDigest {
    std::string sha256Hex;
    std::uint64_t size = 0; // the bytes read
};

// The SHA-256 of bytes held in memory.
std::optional<std::string> Sha256Hex(std::string_view bytes);

// Hashes files one after the other through one reading block, made once: a product of many
// small files costs no allocation per file.
class FileHasher {
public:
    FileHasher();

    // The SHA-256 of everything read from fd (an open file, read from its current position to
    // its end in large blocks, never whole into memory); none when reading fails. name is for
    // messages.
    std::optional<FileDigest> hash(int fd, const std::string& name);

private:
    std::unique_ptr<char[]> block_;
};
