#include "filetree/ListingReader.h"

#include "text/CharClass.h"

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
    if (failed_)
        return {};
    if (position_ >= text_.size()) {
        failed_ = true;
        return {};
    }
    const std::string_view window = text_.substr(position_, limit + 1);
    std::string_view stored;
    const std::size_t end = window.find(terminator);
    if (end != std::string_view::npos) {
        stored = window.substr(0, end);
        position_ += end + 1;
    } else if (window.size() <= limit) {
        stored = window;
        position_ = text_.size();
    } else {
        stored = window.substr(0, limit);
        position_ += limit;
        failed_ = true;
    }
    return std::string(stored.substr(0, stored.find('\0')));
}

std::int32_t ListingReader::signedNumber(std::size_t limit)
{
    const ParsedNumber number = ParseDecimal(field(limit));
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    const auto magnitude = static_cast<std::int64_t>(number.magnitude);
    if (number.negative)
        return static_cast<std::int32_t>(-magnitude < kMin ? kMin : -magnitude);
    return static_cast<std::int32_t>(magnitude > kMax ? kMax : magnitude);
}

std::uint32_t ListingReader::unsignedNumber(std::size_t limit)
{
    const ParsedNumber number = ParseDecimal(field(limit));
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
    if (number.magnitude > kMax)
        return static_cast<std::uint32_t>(kMax);
    const auto value = static_cast<std::uint32_t>(number.magnitude);
    return number.negative ? 0u - value : value;
}
