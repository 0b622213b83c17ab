#include "update/TwoThreads.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

constexpr std::size_t kBlock = 512; // items made, and taken, at a time

} // namespace

void MakeAndWorkOnTwoThreads(std::size_t count, const std::function<void(std::size_t)>& make,
                             const std::function<void(std::size_t)>& work)
{
    std::atomic<std::size_t> next{0};
    std::mutex lock;
    std::condition_variable madeMore;
    std::size_t made = 0; // under lock
    const auto share = [&] {
        for (std::size_t start; (start = next.fetch_add(kBlock)) < count;) {
            const std::size_t end = std::min(count, start + kBlock);
            {
                std::unique_lock<std::mutex> guard(lock);
                madeMore.wait(guard, [&] { return made >= end; });
            }
            for (std::size_t i = start; i < end; ++i)
                work(i);
        }
    };
    std::thread other;
    if (count > kBlock) {
        try {
            other = std::thread(share);
        } catch (const std::system_error&) {
            // No thread to be had: the calling thread does all of it.
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        make(i);
        if ((i + 1) % kBlock == 0 || i + 1 == count) {
            {
                const std::lock_guard<std::mutex> guard(lock);
                made = i + 1;
            }
            madeMore.notify_one();
        }
    }
    share();
    if (other.joinable())
        other.join();
}
