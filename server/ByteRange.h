#pragma once
// The Range header of a file request (RFC 9110): one range of bytes of the file, asked
// for to resume a download that was cut.

#include <cstdint>
#include <string_view>

struct ByteRange {
    enum class Kind {
        WholeFile,      // no header, or one that is ignored: malformed, another unit, several ranges
        Part,           // bytes first..last, both inside the file
        NotSatisfiable, // a valid range that starts at or beyond the end of the file
    };
    Kind kind = Kind::WholeFile;
    std::uint64_t first = 0;
    std::uint64_t last = 0; // inclusive

    std::uint64_t length() const { return last - first + 1; }
};

// What header (the value of HTTP_RANGE, empty when absent) asks of a file of size bytes.
// A single "bytes=first-", "bytes=first-last" or "bytes=-suffix" is answered; a last
// position beyond the file ends at its last byte. Several ranges are ignored: the client
// never asks for them, and HTTP lets a server send the whole file instead.
ByteRange ParseByteRange(std::string_view header, std::uint64_t size);
