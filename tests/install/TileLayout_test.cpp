#include "install/TileLayout.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct TileCase {
    int right, bottom, width, height;
    int columns, rows;
};

// A W x H client area and a w x h picture: floor(W / w) + 1 columns, floor(H / h) + 1
// rows, the column loop outside.
TEST(TileOrigins, CoverTheClientAreaIncludingBothEdges)
{
    const TileCase cases[] = {
        {904, 570, 1, 1200, 905, 1}, // the install dialog's strip
        {100, 100, 10, 10, 11, 11},  // tiles starting exactly on both edges
        {99, 99, 10, 10, 10, 10},    {0, 0, 5, 5, 1, 1}, {9, 30, 10, 31, 1, 1},
    };
    for (const TileCase& c : cases) {
        const auto origins = TileOrigins(0, 0, c.width, c.height, c.right, c.bottom);
        ASSERT_EQ(origins.size(), static_cast<std::size_t>(c.columns * c.rows)) << c.right << "x" << c.bottom;
        EXPECT_EQ(origins.front(), (TileOrigin{0, 0}));
        EXPECT_EQ(origins.back(), (TileOrigin{(c.columns - 1) * c.width, (c.rows - 1) * c.height}));
        if (c.rows > 1) {
            EXPECT_EQ(origins[1], (TileOrigin{0, c.height})); // down the first column first
        }
    }
}

TEST(TileOrigins, StartAtTheOffset)
{
    const auto origins = TileOrigins(3, -4, 10, 20, 15, 25);
    const std::vector<TileOrigin> expected{{3, -4}, {3, 16}, {13, -4}, {13, 16}};
    EXPECT_EQ(origins, expected);
}

TEST(TileOrigins, NoneForAnEmptyPictureOrArea)
{
    EXPECT_TRUE(TileOrigins(0, 0, 0, 10, 100, 100).empty());
    EXPECT_TRUE(TileOrigins(0, 0, 10, 0, 100, 100).empty());
    EXPECT_TRUE(TileOrigins(0, 0, 10, 10, -1, 100).empty());
}

TEST(TileOrigins, StopBeforeTheCountersOverflow)
{
    const auto origins = TileOrigins(0, 0, INT_MAX / 2, INT_MAX, INT_MAX - 1, INT_MAX);
    ASSERT_EQ(origins.size(), 6u);
    EXPECT_EQ(origins.back(), (TileOrigin{2 * (INT_MAX / 2), INT_MAX}));
}

} // namespace
