#pragma once
// Reading one field of an HTTP response header.

#include <optional>
#include <string>

// The value of the first field called name (letter case aside) in header, a response
// header up to its empty line, without the blanks around it; nothing when there is none.
std::optional<std::string> HeaderField(const std::string& header, const std::string& name);
