#include "filetree/ListingReader.h"

#include "text/CharClass.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

struct ParsedNumber {
    bool negative = false;
    std::uint64_t magnitude = 0; // saturates just above the 32-bit range
};

ParsedNumber ParseDecimal(std::string_view s)
{
    constexpr std::uint64_t kBeyond = std::uint64_t{1} << 33;
    ParsedNumber number;
    std::size_t i = 0;
    while (i < s.size() && IsCSpace(s[i]))
        ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        number.negative = s[i] == '-';
        ++i;
    }
    for (; i < s.size() && IsDigit(s[i]); ++i) {
        number.magnitude = number.magnitude * 10 + static_cast<unsigned>(s[i] - '0');
        if (number.magnitude > kBeyond)
            number.magnitude = kBeyond;
    }
    return number;
}

} // namespace

std::string ListingReader::field(std::size_t limit, char terminator)
{
    return std::string(next(limit, terminator));
}

std::string_view ListingReader::next(std::size_t limit, char terminator)
{
    if (failed_ || position_ >= text_.size()) {
        failed_ = true;
        return {};
    }
    // Plain pointers and memchr: this runs for every field of every listing, and each
    // string_view step costs a call and its checks in the instrumented fuzz build.
    const char* begin = text_.data() + position_;
    const std::size_t window = std::min(limit + 1, text_.size() - position_);
    std::size_t length = limit;
    if (const void* end = std::memchr(begin, terminator, window)) {
        length = static_cast<std::size_t>(static_cast<const char*>(end) - begin);
        position_ += length + 1;
    } else if (window <= limit) {
        length = window;
        position_ = text_.size();
    } else {
        position_ += limit;
        failed_ = true;
    }
    if (const void* zero = std::memchr(begin, '\0', length))
        length = static_cast<std::size_t>(static_cast<const char*>(zero) - begin);
    return {begin, length};
}

std::int32_t ListingReader::signedNumber(std::size_t limit)
{
    const ParsedNumber number = ParseDecimal(next(limit, kFieldTerminator));
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    const auto magnitude = static_cast<std::int64_t>(number.magnitude);
    if (number.negative)
        return static_cast<std::int32_t>(-magnitude < kMin ? kMin : -magnitude);
    return static_cast<std::int32_t>(magnitude > kMax ? kMax : magnitude);
}

std::uint32_t ListingReader::unsignedNumber(std::size_t limit)
{
    const ParsedNumber number = ParseDecimal(next(limit, kFieldTerminator));
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
    if (number.magnitude > kMax)
        return static_cast<std::uint32_t>(kMax);
    const auto value = static_cast<std::uint32_t>(number.magnitude);
    return number.negative ? 0u - value : value;
}
