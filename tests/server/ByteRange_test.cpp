#include "ByteRange.h"

#include <gtest/gtest.h>

namespace {

using Kind = ByteRange::Kind;

struct RangeCase {
    const char* header;
    std::uint64_t size;
    Kind kind;
    std::uint64_t first = 0;
    std::uint64_t last = 0;
};

TEST(ByteRange, AnswersOneRangeAndIgnoresTheRest)
{
    const RangeCase cases[] = {
        {"", 1000, Kind::WholeFile},
        {"bytes=900-", 1000, Kind::Part, 900, 999},
        {"bytes=0-", 1000, Kind::Part, 0, 999},
        {"bytes=999-", 1000, Kind::Part, 999, 999},
        {"BYTES=900-", 1000, Kind::Part, 900, 999},
        {"bytes= 900- ", 1000, Kind::Part, 900, 999},
        {"bytes=10-19", 1000, Kind::Part, 10, 19},
        {"bytes=10-10", 1000, Kind::Part, 10, 10},
        {"bytes=10-5000", 1000, Kind::Part, 10, 999},
        {"bytes=10-99999999999999999999999", 1000, Kind::Part, 10, 999},
        {"bytes=-100", 1000, Kind::Part, 900, 999},
        {"bytes=-5000", 1000, Kind::Part, 0, 999},
        {"bytes=1000-", 1000, Kind::NotSatisfiable},
        {"bytes=5000-6000", 1000, Kind::NotSatisfiable},
        {"bytes=99999999999999999999999-", 1000, Kind::NotSatisfiable},
        {"bytes=-0", 1000, Kind::NotSatisfiable},
        {"bytes=0-", 0, Kind::NotSatisfiable},
        {"bytes=-5", 0, Kind::NotSatisfiable},
        // Malformed, another unit or several ranges: the whole file.
        {"bytes=20-10", 1000, Kind::WholeFile},
        {"bytes=0-0,5-9", 1000, Kind::WholeFile},
        {"bytes=0-,", 1000, Kind::WholeFile},
        {"bytes=", 1000, Kind::WholeFile},
        {"bytes=-", 1000, Kind::WholeFile},
        {"bytes=abc", 1000, Kind::WholeFile},
        {"bytes=+1-", 1000, Kind::WholeFile},
        {"bytes=1-2-3", 1000, Kind::WholeFile},
        {"bytes=900", 1000, Kind::WholeFile},
        {"bytes = 900-", 1000, Kind::WholeFile},
        {"bytes900-", 1000, Kind::WholeFile},
        {"items=0-", 1000, Kind::WholeFile},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(std::string(c.header) + " of " + std::to_string(c.size));
        const ByteRange range = ParseByteRange(c.header, c.size);
        EXPECT_EQ(range.kind, c.kind);
        if (c.kind == Kind::Part && range.kind == Kind::Part) {
            EXPECT_EQ(range.first, c.first);
            EXPECT_EQ(range.last, c.last);
        }
    }
}

} // namespace
