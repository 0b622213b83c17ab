#pragma once
// Reading one field of an HTTP response header.

#include <cstdint>
#include <optional>
#include <string>

// The value of the first field called name (letter case aside) in header, a response
// header up to its empty line, without the blanks around it; nothing when there is none.
std::optional<std::string> HeaderField(const std::string& header, const std::string& name);

// The answer's Content-Length when header names one that is plain decimal digits (at most
// 19 of them); nothing otherwise.
std::optional<std::uint64_t> DeclaredContentLength(const std::string& header);
