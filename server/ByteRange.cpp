#include "ByteRange.h"

#include "text/CharClass.h"

#include <limits>
#include <optional>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

void SkipBlanks(std::string_view& text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
}

// A decimal position; one too large for 64 bits counts as the largest, which lies beyond
// every file.
std::optional<std::uint64_t> ReadPosition(std::string_view& text)
{
    constexpr auto kLargest = std::numeric_limits<std::uint64_t>::max();
    std::size_t digits = 0;
    std::uint64_t value = 0;
    while (digits < text.size() && IsDigit(text[digits])) {
        const auto digit = static_cast<std::uint64_t>(text[digits] - '0');
        value = value > (kLargest - digit) / 10 ? kLargest : value * 10 + digit;
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    text.remove_prefix(digits);
    return value;
}

bool StartsWithUnit(std::string_view text)
{
    constexpr std::string_view kUnit = "bytes=";
    if (text.size() < kUnit.size())
        return false;
    for (std::size_t i = 0; i < kUnit.size(); ++i) {
        const char c = text[i];
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != kUnit[i])
            return false;
    }
    return true;
}

} // namespace

ByteRange ParseByteRange(std::string_view header, std::uint64_t size)
{
    const ByteRange whole;
    if (!StartsWithUnit(header))
        return whole;
    std::string_view text = header.substr(6);
    SkipBlanks(text);

    ByteRange range;
    range.kind = ByteRange::Kind::Part;
    if (!text.empty() && text.front() == '-') {
        text.remove_prefix(1);
        const auto suffix = ReadPosition(text);
        if (!suffix)
            return whole;
        if (*suffix == 0 || size == 0)
            range.kind = ByteRange::Kind::NotSatisfiable;
        else {
            range.first = *suffix >= size ? 0 : size - *suffix;
            range.last = size - 1;
        }
    } else {
        const auto first = ReadPosition(text);
        if (!first || text.empty() || text.front() != '-')
            return whole;
        text.remove_prefix(1);
        std::optional<std::uint64_t> last;
        if (!text.empty() && IsDigit(text.front())) {
            last = ReadPosition(text);
            if (*last < *first)
                return whole; // syntactically invalid, so the header is ignored
        }
        if (*first >= size)
            range.kind = ByteRange::Kind::NotSatisfiable;
        else {
            range.first = *first;
            range.last = last && *last < size ? *last : size - 1;
        }
    }
    SkipBlanks(text);
    // Anything after the one range (another range after a comma among it) leaves the
    // header unanswered.
    return text.empty() ? range : whole;
}
