#pragma once
// The main directory an older setup program stored for the product "Lumaro".

#include <optional>
#include <string>

// The legacy main directory, when the platform has the legacy location and the value
// could be read; texts longer than 259 bytes do not fit the old format and count as
// unreadable.
std::optional<std::string> ReadLegacyMainDirectory();
