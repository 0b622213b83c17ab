#include "text/StringUtil.h"

#include "text/CharClass.h"

#include <limits>

std::string LeftChars(const std::string& s, std::size_t n)
{
    if (n >= s.size())
        return s;
    return s.substr(0, n);
}

std::string RightChars(const std::string& s, std::size_t n)
{
    if (n >= s.size())
        return s;
    return s.substr(s.size() - n, n);
}

std::string Trimmed(const std::string& s)
{
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && IsCSpace(s[begin]))
        ++begin;
    while (end > begin && IsCSpace(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

void ReplaceAll(std::string& s, const std::string& what, const std::string& with)
{
    if (what.empty() || what == with)
        return;
    std::size_t p = 0;
    while ((p = s.find(what, p)) != std::string::npos) {
        s.replace(p, what.size(), with);
        p += with.size();
    }
}

std::string ReplaceRepeatedly(std::string& s, const std::string& what, const std::string& with)
{
    if (what.empty() || what == with)
        return s;
    // Searching from the start again would find the inserted text for ever.
    if (with.find(what) != std::string::npos) {
        ReplaceAll(s, what, with);
        return s;
    }
    std::size_t p;
    while ((p = s.find(what)) != std::string::npos)
        s.replace(p, what.size(), with);
    return s;
}

std::uint32_t ToUnsigned(const std::string& s)
{
    std::string digits = s;
    ReplaceAll(digits, ".", "");

    std::size_t i = 0;
    while (i < digits.size() && IsCSpace(digits[i]))
        ++i;
    bool negative = false;
    if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) {
        negative = digits[i] == '-';
        ++i;
    }
    constexpr std::uint64_t kMax = 0xFFFFFFFFu;
    std::uint64_t magnitude = 0;
    for (; i < digits.size() && IsDigit(digits[i]); ++i) {
        magnitude = magnitude * 10 + static_cast<unsigned>(digits[i] - '0');
        if (magnitude > kMax)
            return static_cast<std::uint32_t>(kMax);
    }
    const auto value = static_cast<std::uint32_t>(magnitude);
    return negative ? static_cast<std::uint32_t>(0u - value) : value;
}

std::optional<std::uint64_t> ParseDecimal64(std::string_view text)
{
    if (text.empty() || (text.size() > 1 && text[0] == '0'))
        return std::nullopt;
    constexpr auto kLargest = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t value = 0;
    for (const char c : text) {
        if (!IsDigit(c))
            return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (kLargest - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}
