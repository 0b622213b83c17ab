#pragma once
// Conversion between the program's time stamps (unsigned 32-bit seconds since
// 1970-01-01 00:00 UTC) and Windows file times (100-nanosecond ticks since 1601-01-01).

#include <cstdint>

// The file time of a time stamp.
std::uint64_t FileTimeFromStamp(std::uint32_t stamp);

// The time stamp of a file time, clamped to 0 before 1970 and to 4294967295 after 2106.
// Fractions of a second are cut off.
std::uint32_t StampFromFileTime(std::uint64_t fileTime);

// The time stamp of seconds since 1970, clamped the same way.
std::uint32_t StampFromSeconds(std::int64_t seconds);
