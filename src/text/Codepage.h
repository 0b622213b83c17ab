#pragma once
// Conversion between the program's Windows-1252 byte strings and UTF-8, for the places
// where text leaves or enters the program on systems that speak UTF-8 (files, terminal).

#include <string>

// UTF-8 of a Windows-1252 text. The five bytes the code page leaves unassigned (81, 8D,
// 8F, 90, 9D) become the control characters of the same number, as Windows converts
// them, so every byte string survives the round trip.
std::string Utf8FromCp1252(const std::string& text);

// Windows-1252 of a UTF-8 text. Characters the code page cannot hold and malformed
// sequences each become one "?".
std::string Cp1252FromUtf8(const std::string& text);
