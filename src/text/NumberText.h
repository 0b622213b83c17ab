#pragma once
// German decimal numbers: "." groups thousands, "," separates the decimals (1.234,56).
// Parsing and formatting do not depend on the process locale.

#include <string>

class NumberText {
public:
    // Decimals codes besides n >= 1 decimals.
    static constexpr int kDefault = -1;      // the object's defaultDecimals
    static constexpr int kWholeDashes = 0;   // 1.235,--
    static constexpr int kInteger = -2;      // no decimals; zero gives ""
    static constexpr int kIntegerZero = -20; // no decimals; zero gives "0"

    explicit NumberText(std::string text);
    virtual ~NumberText() = default;

    // Reads German text: "," becomes the decimal point, "." is dropped; then the text is
    // read as a C floating-point number (white space, sign, exponent; nothing gives 0).
    void Parse(const char* text);

    // The value in German notation with the given decimals code; zero gives "" (or "0"
    // with kIntegerZero). Values whose plain text is too long for the formatter, and
    // unknown codes, give "".
    std::string Format(int decimals);

    // As Format, then trailing zeros of the decimals (and a bare comma) removed.
    std::string FormatTrimmed(int decimals);

    double value() const { return value_; }

private:
    std::string buffer_;
    double value_ = 0.0;
    int defaultDecimals_ = 2;
};
