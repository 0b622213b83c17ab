#pragma once
// Base64 with the standard alphabet and '=' padding.

#include <optional>
#include <string>
#include <string_view>

// The bytes of a canonical base64 text: a multiple of four symbols of the standard alphabet,
// '=' only as the padding of the last group, unused bits of the last symbol zero, no white
// space. Empty when the text is anything else.
std::optional<std::string> DecodeBase64(std::string_view text);

std::string EncodeBase64(std::string_view bytes);
