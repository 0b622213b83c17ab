#pragma once
// A reader of DER elements for the strict key and signature parsers.

#include <cstdint>
#include <optional>
#include <string_view>

struct DerElement {
    std::uint8_t tag = 0;
    std::string_view content;
};

// Takes the element at the front of input off it: a one-byte tag and a definite length in
// its shortest form (short form below 128, long form of at most four bytes without leading
// zero otherwise) whose content is present. Empty, and input unchanged, when input does not
// start with such an element.
std::optional<DerElement> TakeDerElement(std::string_view& input);
