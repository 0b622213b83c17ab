// Sharing independent items between two threads: every item is worked on exactly once,
// whether there are too few to share or the count is no multiple of the block.
#include "update/TwoThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

TEST(TwoThreads, EveryItemIsWorkedOnOnce)
{
    for (const std::size_t count : {0u, 1u, 512u, 513u, 1500u, 100000u}) {
        SCOPED_TRACE(count);
        std::vector<std::atomic<int>> calls(count);
        ForEachOnTwoThreads(count, [&calls](std::size_t i) { calls[i].fetch_add(1); });
        std::size_t once = 0;
        for (const std::atomic<int>& c : calls)
            once += c.load() == 1 ? 1 : 0;
        EXPECT_EQ(once, count);
    }
}
