#include "text/NumberText.h"

#include "text/CharClass.h"
#include "text/FormatString.h"

#include <array>
#include <charconv>
#include <cmath>

namespace {

// The C library's strtod in the "C" locale, on its own so that a German process
// locale cannot turn "," into the decimal point.
double ReadCDouble(const std::string& text)
{
    const char* p = text.c_str();
    const char* end = p + text.size();
    while (p < end && IsCSpace(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    auto format = std::chars_format::general;
    if (end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        format = std::chars_format::hex;
        p += 2;
    }
    double value = 0.0;
    const auto [stop, error] = std::from_chars(p, end, value, format);
    if (error == std::errc::result_out_of_range) {
        // from_chars leaves the value alone; strtod gives infinity or zero.
        const std::string_view digits(p, static_cast<std::size_t>(stop - p));
        const auto e = digits.find_first_of("eEpP");
        const bool tiny = e != std::string_view::npos && e + 1 < digits.size() && digits[e + 1] == '-';
        value = tiny ? 0.0 : HUGE_VAL;
    } else if (error != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

// The value printed with the C pattern "%.Nf" in the "C" locale.
std::string PrintFixed(double value, int decimals)
{
    std::array<char, 400> out;
    const auto [end, error] =
        std::to_chars(out.data(), out.data() + out.size(), value, std::chars_format::fixed, decimals);
    if (error != std::errc())
        return {};
    return std::string(out.data(), end);
}

} // namespace

NumberText::NumberText(std::string text)
{
    Parse(text.c_str());
}

void NumberText::Parse(const char* text)
{
    buffer_.clear();
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == ',')
            buffer_ += '.';
        else if (*p != '.')
            buffer_ += *p;
    }
    value_ = ReadCDouble(buffer_);
}

std::string NumberText::Format(int decimals)
{
    if (decimals == kDefault)
        decimals = defaultDecimals_;
    buffer_.clear();
    if (value_ == 0.0) {
        if (decimals == kIntegerZero)
            buffer_.assign(1, '0'); // not = "0": GCC 12 warns falsely (-Wrestrict)
        return buffer_;
    }

    std::string plain;
    if (decimals == kWholeDashes)
        plain = PrintFixed(std::fabs(value_), 0) + ".--";
    else if (decimals == kInteger || decimals == kIntegerZero)
        plain = PrintFixed(std::fabs(value_), 0);
    else if (decimals >= 1)
        plain = PrintFixed(std::fabs(value_), decimals);
    if (plain.empty())
        return buffer_;

    const std::size_t point = plain.find('.');
    buffer_ = GroupThousands(plain.substr(0, point));
    if (point != std::string::npos)
        buffer_ += ',' + plain.substr(point + 1);
    if (value_ < 0)
        buffer_.insert(0, 1, '-');
    return buffer_;
}

std::string NumberText::FormatTrimmed(int decimals)
{
    std::string text = Format(decimals);
    const bool dashes = text.size() >= 2 && text.compare(text.size() - 2, 2, "--") == 0;
    if (text.find(',') != std::string::npos && !dashes) {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        if (!text.empty() && text.back() == ',')
            text.pop_back();
    }
    buffer_ = text;
    return buffer_;
}
