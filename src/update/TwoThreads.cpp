#include "update/TwoThreads.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

namespace {

constexpr std::size_t kBlock = 512; // items taken at a time

} // namespace

void ForEachOnTwoThreads(std::size_t count, const std::function<void(std::size_t)>& work)
{
    std::atomic<std::size_t> next{0};
    const auto share = [&] {
        for (std::size_t start; (start = next.fetch_add(kBlock)) < count;) {
            for (std::size_t i = start; i < std::min(count, start + kBlock); ++i)
                work(i);
        }
    };
    if (count <= kBlock) {
        share();
        return;
    }
    std::thread other;
    try {
        other = std::thread(share);
    } catch (const std::system_error&) {
        // No thread to be had: the calling thread does all of it.
    }
    share();
    if (other.joinable())
        other.join();
}
