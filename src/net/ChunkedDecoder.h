#pragma once
// The body of an answer in chunked transfer coding, decoded as it arrives: chunk-size
// lines (hexadecimal size, extensions after ";" ignored), chunk data and its line end,
// the last chunk and the trailer, which is read and dropped. A size line or trailer
// beyond its limit, or anything else out of form, fails the body.

#include <cstddef>
#include <cstdint>
#include <string>

// The longest chunk-size line taken, extensions and line end included.
inline constexpr std::size_t kChunkSizeLineLimit = 1024;
// The most trailer bytes taken after the last chunk, its empty line included.
inline constexpr std::size_t kChunkTrailerLimit = 16 * 1024;

// Whether header (a response header up to its empty line) declares the chunked coding as
// its last transfer coding.
bool DeclaresChunked(const std::string& header);

class ChunkedDecoder {
public:
    // Decodes count received bytes in place: the body bytes among them are moved to the
    // front of bytes, and their number is returned. Bytes after the body's end, and every
    // byte once the body failed, are ignored.
    std::size_t decode(char* bytes, std::size_t count);

    // The last chunk and the trailer have arrived: the body is complete.
    bool done() const { return state_ == State::done; }
    // The bytes were out of form or beyond a limit.
    bool failed() const { return state_ == State::failed; }

private:
    enum class State { size, extension, sizeLineEnd, data, dataEnd, dataLineEnd, trailer, done, failed };

    // Moves on by one byte of a line; false when the body failed.
    bool takeLineByte(char byte);
    bool endSizeLine();

    State state_ = State::size;
    std::uint64_t chunkLeft_ = 0;
    std::size_t lineLength_ = 0; // bytes of the current size line
    int digits_ = 0;             // significant hexadecimal digits of the size
    bool anyDigit_ = false;      // the size line has a digit
    bool sizeEnded_ = false;     // white space came after the digits
    std::size_t trailerBytes_ = 0;
    std::size_t trailerLineLength_ = 0;
};
