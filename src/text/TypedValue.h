#pragma once
// A text with a display type and a decimals code: start-up values, dialog fields and
// the cells of the server's listing.

#include "text/NumberText.h"

#include <string>

struct TypedValue {
    // Display types; every other value (0 and negatives included) is plain text.
    static constexpr int kGrouped = 1;
    static constexpr int kDecimal = 4;
    static constexpr int kDecimalTrimmed = 5;
    static constexpr int kPercent = 8;

    TypedValue() = default;
    explicit TypedValue(std::string value) : text(std::move(value)) {}

    std::string Text() const { return text; }

    // Stores the characters up to the first zero byte; returns the new text.
    std::string SetText(const char* value);
    std::string SetText(const std::string& value);

    NumberText AsNumber() const { return NumberText(text); }

    // The text formatted for display according to type.
    std::string Display() const;

    std::string text;
    int type = 0;
    int decimals = NumberText::kDefault;
};
