#include "update/ProgressThrottle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = ProgressThrottle::Clock;

Clock::time_point fakeNow{};
Clock::time_point FakeNow()
{
    return fakeNow;
}

struct Call {
    int atMs;
    int pos;
    bool shown;
};

struct Case {
    const char* name;
    int low, high, steps;
    std::vector<Call> calls;
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

// Range 0 to 1000 drawn in 100 steps unless a case says otherwise; the interval is 40 ms.
const Case kCases[] = {
    {"TheFirstPositionIsShown", 0, 1000, 100, {{0, 500, true}}},
    {"ASecondPositionWithinTheIntervalWaits", 0, 1000, 100, {{0, 100, true}, {39, 200, false}, {40, 300, true}}},
    {"APositionInTheSameStepIsNotShown", 0, 1000, 100, {{0, 100, true}, {500, 105, false}, {600, 110, true}}},
    {"TheEndIsShownAtOnce", 0, 1000, 100, {{0, 100, true}, {1, 1000, true}, {2, 1000, false}}},
    {"BeyondTheEndCountsAsTheEnd", 0, 1000, 100, {{0, 999, true}, {1, 1200, true}}},
    {"AResetIsShownAtOnce", 0, 1000, 100, {{0, 1000, true}, {1, 0, true}, {2, 0, false}}},
    // 100 MiB in 10 steps of a 10-pixel bar: a step is 10 MiB.
    {"FewStepsHideSmallMoves", 0, 100 << 20, 10, {{0, 1, true}, {100, 5 << 20, false}, {200, 11 << 20, true}}},
    {"AnEmptyRangeHasOneStep", 0, 0, 100, {{0, 0, true}, {100, 0, false}}},
    {"AnOffsetRange", 100, 200, 100, {{0, 100, true}, {50, 150, true}, {60, 200, true}, {70, 100, true}}},
};

class ProgressThrottleRule : public ::testing::TestWithParam<Case> {};

TEST_P(ProgressThrottleRule, ShowsWhatMovesTheBarAtMostEveryInterval)
{
    const Case& c = GetParam();
    ProgressThrottle throttle(&FakeNow);
    throttle.setRange(c.low, c.high, c.steps);
    const Clock::time_point start = Clock::now();
    for (std::size_t i = 0; i < c.calls.size(); ++i) {
        fakeNow = start + std::chrono::milliseconds(c.calls[i].atMs);
        EXPECT_EQ(throttle.admit(c.calls[i].pos), c.calls[i].shown) << "call " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgressThrottleRule, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A new range keeps what the bar shows: a position at the same drawn step is not sent
// again, one at another step is; after forgetShown any position is.
TEST(ProgressThrottle, ANewRangeKeepsTheShownPositionUntilForgotten)
{
    fakeNow = Clock::now();
    ProgressThrottle throttle(&FakeNow);
    throttle.setRange(0, 1000, 100);
    EXPECT_TRUE(throttle.admit(0));
    throttle.setRange(0, 50, 100);
    EXPECT_FALSE(throttle.admit(0));
    fakeNow += 1s;
    EXPECT_TRUE(throttle.admit(25));
    throttle.setRange(0, 100, 100);
    EXPECT_EQ(throttle.stepOf(25), 25);
    EXPECT_FALSE(throttle.admit(25));
    throttle.forgetShown();
    EXPECT_TRUE(throttle.admit(25));
}

// Many blocks in a short time: about one position per interval, and the last one.
TEST(ProgressThrottle, AThousandBlocksInOneSecondShowAboutTwentyFivePositions)
{
    const Clock::time_point start = Clock::now();
    fakeNow = start;
    ProgressThrottle throttle(&FakeNow);
    throttle.setRange(0, 1000, 300);
    int shown = 0;
    for (int block = 1; block <= 1000; ++block) {
        fakeNow = start + std::chrono::milliseconds(block);
        shown += throttle.admit(block) ? 1 : 0;
    }
    EXPECT_GE(shown, 25);
    EXPECT_LE(shown, 27);
    EXPECT_FALSE(throttle.admit(1000)); // 1000 was shown
}

} // namespace
