#include "update/HashWorker.h"

#include <utility>

namespace {

// Enough buffers for the blocks a full queue holds at the run's block size.
constexpr std::size_t kMostSpare = 3;

} // namespace

HashWorker::HashWorker(std::size_t queueLimit) : queueLimit_(queueLimit), thread_([this] { run(); }) {}

HashWorker::~HashWorker()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

int HashWorker::open(Sha256 hash)
{
    const std::lock_guard lock(mutex_);
    const int stream = nextStream_++;
    streams_[stream].hash = std::move(hash);
    return stream;
}

void HashWorker::feed(int stream, const char* bytes, std::size_t count)
{
    std::unique_lock lock(mutex_);
    // One block larger than the limit still goes in when the queue is empty.
    changed_.wait(lock, [&] { return queuedBytes_ == 0 || queuedBytes_ + count <= queueLimit_; });
    std::string buffer;
    if (!spare_.empty()) {
        buffer = std::move(spare_.back());
        spare_.pop_back();
    }
    buffer.assign(bytes, count);
    queue_.push_back({stream, std::move(buffer)});
    queuedBytes_ += count;
    ++streams_.at(stream).queued;
    lock.unlock();
    changed_.notify_all();
}

void HashWorker::restart(int stream)
{
    std::unique_lock lock(mutex_);
    queue_.push_back({stream, {}, true});
    ++streams_.at(stream).queued;
    lock.unlock();
    changed_.notify_all();
}

Sha256Digest HashWorker::finish(int stream)
{
    std::unique_lock lock(mutex_);
    drain(lock, stream);
    const Sha256Digest digest = streams_.at(stream).hash.finish();
    streams_.erase(stream);
    return digest;
}

void HashWorker::close(int stream)
{
    std::unique_lock lock(mutex_);
    drain(lock, stream);
    streams_.erase(stream);
}

void HashWorker::drain(std::unique_lock<std::mutex>& lock, int stream)
{
    changed_.wait(lock, [&] { return streams_.at(stream).queued == 0; });
}

void HashWorker::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty())
            return;
        Block block = std::move(queue_.front());
        queue_.pop_front();
        // The stream's hash is touched only here until its count of queued blocks falls
        // to 0, so it is updated without the lock.
        Stream& stream = streams_.at(block.stream);
        lock.unlock();
        if (block.restart)
            stream.hash = Sha256();
        else
            stream.hash.update(block.bytes.data(), block.bytes.size());
        lock.lock();
        queuedBytes_ -= block.bytes.size();
        --stream.queued;
        if (spare_.size() < kMostSpare)
            spare_.push_back(std::move(block.bytes));
        changed_.notify_all();
    }
}
