#pragma once
// The framing of the listing text shared by its reader and its writer: the terminators
// and the longest text each field may hold.

#include "text/Field.h"

#include <cstddef>

namespace listing {

// Ends the preamble, the listing's first field; every other field ends with byte 03.
inline constexpr char kPreambleTerminator = '\x04';

inline constexpr std::size_t kTextLimit = kFieldReadLimit;
inline constexpr std::size_t kHeaderCodeLimit = 19;
inline constexpr std::size_t kHeaderNumberLimit = 10;
inline constexpr std::size_t kCountLimit = 19;
inline constexpr std::size_t kRowIdLimit = 10;
inline constexpr std::size_t kRowFlagLimit = 1;
inline constexpr std::size_t kValueCountLimit = 9;

} // namespace listing
