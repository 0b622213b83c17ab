#pragma once
// Conversion between Windows-1252, the code page of every text the program handles, and
// UTF-8, the encoding of file names on the server's disk and of POSIX terminals.

#include <string>

// Every Windows-1252 byte as UTF-8. The five bytes the code page leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same number, as Windows
// converts them, so that every byte string survives the way back.
std::string Utf8FromCp1252(const std::string& text);

// The Windows-1252 bytes of a UTF-8 text. *ok (when given) becomes false when the text is
// not well-formed UTF-8 or holds a character the code page lacks; each such character or
// broken sequence becomes "?".
std::string Cp1252FromUtf8(const std::string& text, bool* ok = nullptr);
