#pragma once
// Fields ended by the byte 03, the framing of command texts and listings.

#include <istream>
#include <ostream>
#include <string>

inline constexpr char kFieldTerminator = '\x03';

// The longest field ReadField stores; a longer one leaves the stream failed.
inline constexpr std::size_t kFieldReadLimit = 1022;

// Writes the characters of s up to its first zero byte, then the terminator.
std::ostream& WriteField(std::ostream& out, const std::string& s);

// Reads one field into s with the stream's get-line rules: the terminator is consumed,
// end of input after some characters sets eof, no characters at all sets fail, and a
// field longer than kFieldReadLimit yields its beginning and sets fail.
std::istream& ReadField(std::istream& in, std::string& s);
