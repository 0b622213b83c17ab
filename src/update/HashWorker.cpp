#include "update/HashWorker.h"

#include <algorithm>
#include <utility>

namespace {

// How much of a file is hashed before the disk is asked to start writing it: the flush
// before the switch then finds little left to do.
constexpr std::uint64_t kWriteBackInterval = 4u << 20;

} // namespace

HashWorker::HashWorker(std::uint64_t lagLimit)
    : lagLimit_(lagLimit), block_(kReadBlockSize), thread_([this] { run(); })
{}

HashWorker::~HashWorker()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

int HashWorker::open(Sha256 hash, const std::string& path, std::uint64_t hashed, bool writeBack)
{
    const std::lock_guard lock(mutex_);
    const int number = nextStream_++;
    Stream& stream = streams_[number];
    stream.hash = std::move(hash);
    stream.path = path;
    stream.hashed = stream.written = stream.writeBackAt = hashed;
    stream.writeBack = writeBack;
    return number;
}

void HashWorker::wrote(int number, std::uint64_t total)
{
    std::unique_lock lock(mutex_);
    Stream& stream = streams_.at(number);
    if (total <= stream.written)
        return;
    if (stream.failed) {
        stream.hashed = stream.written = total; // nothing more is read of a file that failed
        return;
    }
    const bool wasIdle = stream.hashed == stream.written;
    lag_ += total - stream.written;
    stream.written = total;
    if (wasIdle && !stream.busy)
        ready_.push_back(number);
    changed_.notify_all();
    // The newest block may take the lag over its limit; the run waits until it is back
    // within, so that what waits to be hashed is still in the system's cache.
    changed_.wait(lock, [&] { return lag_ <= lagLimit_ || stream.hashed == stream.written; });
}

void HashWorker::restart(int number)
{
    std::unique_lock lock(mutex_);
    drain(lock, number);
    Stream& stream = streams_.at(number);
    stream.hash = Sha256();
    stream.file.close();
    stream.hashed = stream.written = stream.writeBackAt = 0;
    stream.failed = false;
}

bool HashWorker::finish(int number, Sha256Digest& digest)
{
    std::unique_lock lock(mutex_);
    drain(lock, number);
    Stream& stream = streams_.at(number);
    const bool whole = !stream.failed;
    if (whole)
        digest = stream.hash.finish();
    streams_.erase(number);
    return whole;
}

void HashWorker::close(int number)
{
    std::unique_lock lock(mutex_);
    drain(lock, number);
    streams_.erase(number);
}

void HashWorker::drain(std::unique_lock<std::mutex>& lock, int number)
{
    const Stream& stream = streams_.at(number);
    changed_.wait(lock, [&] { return !stream.busy && stream.hashed == stream.written; });
}

void HashWorker::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !ready_.empty(); });
        if (ready_.empty())
            return;
        const int number = ready_.front();
        ready_.pop_front();
        Stream& stream = streams_.at(number);
        hashNextBlock(lock, number, stream);
        changed_.notify_all();
    }
}

void HashWorker::hashNextBlock(std::unique_lock<std::mutex>& lock, int number, Stream& stream)
{
    const std::uint64_t at = stream.hashed;
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(block_.size(), stream.written - at));
    const bool writeBack = stream.writeBack && at - stream.writeBackAt >= kWriteBackInterval;
    // Until busy falls, the stream's hash and file are touched only here, so they are used
    // without the lock; streams_ keeps the entry where it is meanwhile.
    stream.busy = true;
    lock.unlock();
    bool read = stream.file.isOpen() || stream.file.open(stream.path);
    std::size_t taken = 0;
    while (read && taken < count) {
        const std::int64_t got = stream.file.readAt(at + taken, block_.data() + taken, count - taken);
        read = got > 0;
        taken += read ? static_cast<std::size_t>(got) : 0;
    }
    if (read)
        stream.hash.update(block_.data(), count);
    if (writeBack)
        stream.file.startWriteBack(at);
    lock.lock();
    stream.busy = false;
    if (writeBack)
        stream.writeBackAt = at;
    if (!read) {
        // The digest can no longer be had: what is left counts as hashed, and the stream
        // says so at its finish.
        stream.failed = true;
        lag_ -= stream.written - at;
        stream.hashed = stream.written;
        return;
    }
    lag_ -= count;
    stream.hashed += count;
    if (stream.hashed < stream.written)
        ready_.push_back(number);
}
