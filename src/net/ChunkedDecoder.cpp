#include "net/ChunkedDecoder.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// Sixteen hexadecimal digits would let a chunk size overflow the count of body bytes.
constexpr int kMostSizeDigits = 15;

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string Lower(const std::string& text)
{
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

} // namespace

bool DeclaresChunked(const std::string& header)
{
    const std::string lower = Lower(header);
    const std::string name = "\ntransfer-encoding:";
    bool chunked = false;
    for (std::size_t at = lower.find(name); at != std::string::npos; at = lower.find(name, at + 1)) {
        const std::size_t start = at + name.size();
        const std::size_t end = lower.find('\n', start);
        std::string value = lower.substr(start, end == std::string::npos ? std::string::npos : end - start);
        // Several codings are listed in order: only the last one frames the body.
        const std::size_t comma = value.rfind(',');
        if (comma != std::string::npos)
            value.erase(0, comma + 1);
        const std::size_t first = value.find_first_not_of(" \t");
        const std::size_t last = value.find_last_not_of(" \t\r");
        chunked = first != std::string::npos && value.substr(first, last - first + 1) == "chunked";
    }
    return chunked;
}

std::size_t ChunkedDecoder::decode(char* bytes, std::size_t count)
{
    std::size_t kept = 0;
    std::size_t at = 0;
    while (at < count && state_ != State::done && state_ != State::failed) {
        if (state_ == State::data) {
            const std::size_t piece =
                static_cast<std::size_t>(std::min<std::uint64_t>(chunkLeft_, count - at));
            if (kept != at)
                std::memmove(bytes + kept, bytes + at, piece);
            kept += piece;
            at += piece;
            chunkLeft_ -= piece;
            if (chunkLeft_ == 0)
                state_ = State::dataEnd;
            continue;
        }
        if (!takeLineByte(bytes[at]))
            state_ = State::failed;
        ++at;
    }
    return kept;
}

bool ChunkedDecoder::takeLineByte(char byte)
{
    switch (state_) {
    case State::size:
    case State::extension:
    case State::sizeLineEnd:
        if (++lineLength_ > kChunkSizeLineLimit)
            return false;
        if (state_ == State::sizeLineEnd)
            return byte == '\n' && endSizeLine();
        if (byte == '\r') {
            state_ = State::sizeLineEnd;
            return true;
        }
        if (byte == '\n')
            return endSizeLine();
        if (state_ == State::extension)
            return byte == '\t' || static_cast<unsigned char>(byte) >= 0x20;
        if (byte == ';') {
            state_ = State::extension;
            return anyDigit_;
        }
        if (byte == ' ' || byte == '\t') {
            sizeEnded_ = anyDigit_;
            return anyDigit_;
        }
        {
            const int value = HexValue(byte);
            if (value < 0 || sizeEnded_)
                return false;
            anyDigit_ = true;
            if (digits_ > 0 || value != 0)
                ++digits_;
            if (digits_ > kMostSizeDigits)
                return false;
            chunkLeft_ = chunkLeft_ * 16 + static_cast<std::uint64_t>(value);
        }
        return true;
    case State::dataEnd:
        if (byte == '\r') {
            state_ = State::dataLineEnd;
            return true;
        }
        [[fallthrough]];
    case State::dataLineEnd:
        if (byte != '\n')
            return false;
        state_ = State::size;
        return true;
    case State::trailer:
        if (++trailerBytes_ > kChunkTrailerLimit)
            return false;
        if (byte == '\n') {
            if (trailerLineLength_ == 0)
                state_ = State::done;
            trailerLineLength_ = 0;
        } else if (byte != '\r' || trailerLineLength_ > 0) {
            ++trailerLineLength_;
        }
        return true;
    case State::data:
    case State::done:
    case State::failed:
        break;
    }
    return false;
}

bool ChunkedDecoder::endSizeLine()
{
    if (!anyDigit_)
        return false;
    state_ = chunkLeft_ == 0 ? State::trailer : State::data;
    lineLength_ = 0;
    digits_ = 0;
    anyDigit_ = false;
    sizeEnded_ = false;
    return true;
}
