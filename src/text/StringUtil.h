#pragma once
// Byte-string helpers for path and field handling. All strings are Windows-1252 bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The first n characters of s; all of s when n is not smaller than its length.
std::string LeftChars(const std::string& s, std::size_t n);

// The last n characters of s; all of s when n is not smaller than its length.
std::string RightChars(const std::string& s, std::size_t n);

// s without the blanks (as C's isspace counts them) at its start and end.
std::string Trimmed(const std::string& s);

// Replaces every occurrence of what by with; the search resumes behind each inserted
// text, so it always ends. An empty what, or what equal to with, changes nothing.
void ReplaceAll(std::string& s, const std::string& what, const std::string& with);

// Replaces the first occurrence of what, searching from the start each time, until none
// is left, so text produced by a replacement can match again. When with contains what
// this would never end, so such a call replaces as ReplaceAll does. Returns a copy of s.
std::string ReplaceRepeatedly(std::string& s, const std::string& what, const std::string& with);

// Reads a decimal number with "." as thousands separator: leading white space and a
// sign are accepted, reading stops at the first non-digit, no digits give 0, values
// beyond 4294967295 give 4294967295 and a minus sign negates modulo 2^32.
std::uint32_t ToUnsigned(const std::string& s);

// The whole of text as a decimal number of 64 bits without sign or leading zeros; none
// for anything else, an overflow included.
std::optional<std::uint64_t> ParseDecimal64(std::string_view text);
