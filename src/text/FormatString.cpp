#include "text/FormatString.h"

#include <cstdarg>
#include <cstdio>
#include <new>

std::string FormatString(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    // Most texts are a line (a status text is made for every listed file): formatted once
    // into a buffer here, and again into the result only when longer. Both C libraries
    // report the length the complete text needs.
    char line[256];
    const int needed = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);

    std::string result;
    if (needed > 0) {
        try {
            if (static_cast<std::size_t>(needed) < sizeof line) {
                result.assign(line, static_cast<std::size_t>(needed));
            } else {
                result.resize(static_cast<std::size_t>(needed));
                std::vsnprintf(result.data(), result.size() + 1, format, again);
            }
        } catch (const std::bad_alloc&) {
            result.clear();
        }
    }
    va_end(again);
    return result;
}

namespace {

// A linear congruential generator with 15-bit results, the same on every platform.
class TokenGenerator {
public:
    explicit TokenGenerator(std::time_t seed) : state_(static_cast<std::uint32_t>(seed)) {}

    unsigned next()
    {
        state_ = state_ * 214013u + 2531011u;
        return (state_ >> 16) & 0x7FFFu;
    }

    unsigned nextInRange(unsigned low, unsigned high)
    {
        unsigned value;
        do
            value = next();
        while (value < low || value > high);
        return value;
    }

private:
    std::uint32_t state_;
};

} // namespace

std::string RandomHexTokenAt(std::time_t seconds)
{
    TokenGenerator generator(seconds);
    const unsigned a = generator.nextInRange(1000, 9999);
    const unsigned b = generator.nextInRange(1000, 9999);
    return FormatString("%04X%04X", a, b);
}

std::string RandomHexToken()
{
    return RandomHexTokenAt(std::time(nullptr));
}

std::string GroupThousands(const std::string& digits)
{
    std::string grouped;
    grouped.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const std::size_t remaining = digits.size() - i;
        if (i > 0 && remaining % 3 == 0)
            grouped += '.';
        grouped += digits[i];
    }
    return grouped;
}

std::string FormatGrouped(std::uint32_t value)
{
    return GroupThousands(FormatString("%u", static_cast<unsigned>(value)));
}

std::string FormatByteSize(std::uint64_t bytes)
{
    if (bytes < 1024)
        return FormatString("%u Bytes", static_cast<unsigned>(bytes));
    static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
    std::uint64_t unitBytes = 1024;
    std::size_t unit = 0;
    while (bytes / 1024 >= unitBytes && unit + 1 < std::size(kUnits)) {
        unitBytes *= 1024;
        ++unit;
    }
    // Tenths of the unit, rounded; integer arithmetic keeps the result free of any locale.
    const std::uint64_t tenths = (bytes / (unitBytes / 1024) * 10 + 512) / 1024;
    const auto whole = static_cast<unsigned long long>(tenths >= 1000 ? (tenths + 5) / 10 : tenths / 10);
    const unsigned decimal = tenths >= 1000 ? 0 : static_cast<unsigned>(tenths % 10);
    std::string text = GroupThousands(FormatString("%llu", whole));
    if (decimal != 0)
        text += FormatString(",%u", decimal);
    return text + " " + kUnits[unit];
}

std::string EscapeControlCharacters(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            out += FormatString("\\x%02X", byte);
        else
            out += c;
    }
    return out;
}
