#include "update/FileTime.h"

#include <limits>

namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::uint64_t kSecondsFrom1601To1970 = 11'644'473'600;

} // namespace

std::uint64_t FileTimeFromStamp(std::uint32_t stamp)
{
    return (kSecondsFrom1601To1970 + stamp) * kTicksPerSecond;
}

std::uint32_t StampFromFileTime(std::uint64_t fileTime)
{
    const std::uint64_t seconds = fileTime / kTicksPerSecond;
    if (seconds < kSecondsFrom1601To1970) {
        return 0;
    }
    return StampFromSeconds(static_cast<std::int64_t>(seconds - kSecondsFrom1601To1970));
}

std::uint32_t StampFromSeconds(std::int64_t seconds)
{
    constexpr std::int64_t latest = std::numeric_limits<std::uint32_t>::max();
    if (seconds < 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(seconds > latest ? latest : seconds);
}
