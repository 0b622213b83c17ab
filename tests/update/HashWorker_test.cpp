// The hash worker beside the run's thread: every stream gets the digest of exactly its
// bytes, however they interleave and however small the queue.
#include "update/HashWorker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Bytes(std::size_t count, unsigned seed)
{
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((i * 131 + seed) >> 3);
    return bytes;
}

TEST(HashWorker, InterleavedStreamsGetTheDigestOfTheirOwnBytes)
{
    // Limits below, at and above the block size: the run waits for the worker, a block
    // larger than the queue still goes in.
    for (const std::size_t limit : {std::size_t{1}, std::size_t{4096}, HashWorker::kDefaultQueueLimit}) {
        SCOPED_TRACE(limit);
        HashWorker worker(limit);
        const std::string prefix = Bytes(5000, 9);
        Sha256 resumed;
        resumed.update(prefix.data(), prefix.size());
        std::vector<std::string> files = {Bytes(300000, 1), Bytes(70001, 2), Bytes(0, 3)};
        std::vector<int> streams = {worker.open(std::move(resumed)), worker.open(Sha256()), worker.open(Sha256())};
        for (std::size_t at = 0; at < 300000; at += 4096) {
            for (std::size_t f = 0; f < files.size(); ++f) {
                if (at < files[f].size())
                    worker.feed(streams[f], files[f].data() + at, std::min<std::size_t>(4096, files[f].size() - at));
            }
        }
        EXPECT_EQ(worker.finish(streams[1]), Sha256Of(files[1]));
        EXPECT_EQ(worker.finish(streams[0]), Sha256Of(prefix + files[0]));
        EXPECT_EQ(worker.finish(streams[2]), Sha256Of(""));
    }
}

TEST(HashWorker, ARestartForgetsWhatWasFedBefore)
{
    HashWorker worker(1);
    const int stream = worker.open(Sha256());
    const std::string first = Bytes(9000, 4);
    const std::string again = Bytes(7000, 5);
    worker.feed(stream, first.data(), first.size());
    worker.restart(stream);
    worker.feed(stream, again.data(), again.size());
    EXPECT_EQ(worker.finish(stream), Sha256Of(again));
    // A stream closed without a digest leaves the others as they were.
    const int dropped = worker.open(Sha256());
    const int kept = worker.open(Sha256());
    worker.feed(dropped, first.data(), first.size());
    worker.feed(kept, again.data(), again.size());
    worker.close(dropped);
    EXPECT_EQ(worker.finish(kept), Sha256Of(again));
}

} // namespace
