#pragma once
// printf-style formatting into byte strings, boundary tokens and grouped integers.

#include <cstdint>
#include <ctime>
#include <string>

// The complete printf-style formatted text, at any length; empty if memory runs out.
std::string FormatString(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// Eight upper-case hexadecimal digits from a generator seeded with the current time in
// seconds: two draws from 0..32767, each repeated until it lies in 1000..9999.
std::string RandomHexToken();

// The token RandomHexToken gives when the clock reads `seconds`.
std::string RandomHexTokenAt(std::time_t seconds);

// Decimal digits with "." before every group of three counted from the right: 1.234.567.
std::string FormatGrouped(std::uint32_t value);

// The text with every control character written as \xNN, so that it stays one line.
std::string EscapeControlCharacters(const std::string& text);

// A size for users, written the German way in units of 1024: "512 Bytes", "1,5 KB",
// "200 MB", "1,5 GB"; one decimal below 100 units, none when it is 0.
std::string FormatByteSize(std::uint64_t bytes);

// Inserts "." before every group of three characters of digits counted from its end,
// never before the first character.
std::string GroupThousands(const std::string& digits);
