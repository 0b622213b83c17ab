#include "update/FileTime.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint64_t kTicks1970 = 116444736000000000ull;
constexpr std::uint64_t kTicksPerSecond = 10000000ull;

TEST(FileTime, StampsAndFileTimesConvertBothWays)
{
    const std::uint32_t stamps[] = {0u, 1u, 1234567890u, 2147483648u, 4294967295u};
    for (const auto stamp : stamps) {
        SCOPED_TRACE(stamp);
        EXPECT_EQ(FileTimeFromStamp(stamp), kTicks1970 + stamp * kTicksPerSecond);
        EXPECT_EQ(StampFromFileTime(FileTimeFromStamp(stamp)), stamp);
    }
}

TEST(FileTime, OutOfRangeTimesAreClampedAndFractionsCut)
{
    EXPECT_EQ(StampFromFileTime(0), 0u);
    EXPECT_EQ(StampFromFileTime(kTicks1970 - 1), 0u);
    EXPECT_EQ(StampFromFileTime(kTicks1970 + 15 * kTicksPerSecond - 1), 14u);
    EXPECT_EQ(StampFromFileTime(kTicks1970 + 4294967296ull * kTicksPerSecond), 4294967295u);
    EXPECT_EQ(StampFromFileTime(~0ull), 4294967295u);
    EXPECT_EQ(StampFromSeconds(-1), 0u);
    EXPECT_EQ(StampFromSeconds(4294967296ll), 4294967295u);
    EXPECT_EQ(StampFromSeconds(4294967295ll), 4294967295u);
}

} // namespace
