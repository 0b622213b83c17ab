// Making items on the calling thread while two threads work on them: every item is worked
// on exactly once and only after it was made, whether there are too few to share or the
// count is no multiple of the block.
#include "update/TwoThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

TEST(TwoThreads, EveryItemIsWorkedOnOnceAfterItWasMade)
{
    for (const std::size_t count : {0u, 1u, 512u, 513u, 1500u, 100000u}) {
        SCOPED_TRACE(count);
        std::vector<char> made(count, 0);
        std::vector<std::atomic<int>> calls(count);
        std::atomic<std::size_t> early{0};
        MakeAndWorkOnTwoThreads(
            count,
            [&made](std::size_t i) {
                // Slow at the start of each block: a thread that did not wait would work ahead.
                if (i % 512 == 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                made[i] = 1;
            },
            [&](std::size_t i) {
                if (made[i] != 1)
                    early.fetch_add(1);
                calls[i].fetch_add(1);
            });
        std::size_t once = 0;
        for (const std::atomic<int>& c : calls)
            once += c.load() == 1 ? 1 : 0;
        EXPECT_EQ(once, count);
        EXPECT_EQ(early.load(), 0u);
    }
}
