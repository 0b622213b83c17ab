#pragma once
// SHA-256 of the staged downloads in one worker thread beside the transfers: the run's
// thread hands it copies of the blocks it has written, and the worker hashes them while
// the run receives and writes the next ones. The queue is bounded: a run that receives
// faster than the worker hashes waits for it. The network stays in the run's thread.

#include "crypto/Sha256.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class HashWorker {
public:
    // queueLimit: the most bytes handed over and not yet hashed.
    explicit HashWorker(std::size_t queueLimit = kDefaultQueueLimit);
    // Hashes what is queued, then ends the thread.
    ~HashWorker();
    HashWorker(const HashWorker&) = delete;
    HashWorker& operator=(const HashWorker&) = delete;

    static constexpr std::size_t kDefaultQueueLimit = 512u << 10;

    // A new stream that continues hash (what was hashed of a file before); its number.
    int open(Sha256 hash);
    // Queues a copy of the bytes for stream; waits while the queue is full.
    void feed(int stream, const char* bytes, std::size_t count);
    // Starts stream over, as a new Sha256, once what was fed before is hashed.
    void restart(int stream);
    // The digest of everything fed to stream, once it is hashed; the stream is closed.
    Sha256Digest finish(int stream);
    // Closes stream without a digest.
    void close(int stream);

private:
    struct Block {
        int stream;
        std::string bytes;
        bool restart = false;
    };
    struct Stream {
        Sha256 hash;
        int queued = 0; // blocks of the stream not yet hashed
    };

    void run();
    // Waits until every block of stream is hashed; the lock is held.
    void drain(std::unique_lock<std::mutex>& lock, int stream);

    const std::size_t queueLimit_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Block> queue_;
    std::vector<std::string> spare_; // buffers of hashed blocks, used again: no allocation per block
    std::size_t queuedBytes_ = 0;
    std::map<int, Stream> streams_;
    int nextStream_ = 0;
    bool stopping_ = false;
    std::thread thread_; // started last, when everything it uses is there
};
