#pragma once
// SHA-256 of the staged downloads in one worker thread beside the transfers: the run's
// thread writes each block to its staged file and says how far the file is written; the
// worker reads those bytes back from the file (the system's cache still holds them) and
// hashes them while the run receives and writes the next ones, so that no block is copied
// in the run's thread and no memory holds blocks in a queue. Every few MiB it asks the
// disk to start writing what it hashed, so that this work, too, leaves the run's thread.
// The lag is bounded: a run that writes faster than the worker hashes waits for it. The
// network stays in the run's thread.

#include "crypto/Sha256.h"
#include "os/InputFile.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class HashWorker {
public:
    // lagLimit: the most bytes written and not yet hashed, over all streams.
    explicit HashWorker(std::uint64_t lagLimit = kDefaultLagLimit);
    // Hashes what is written, then ends the thread.
    ~HashWorker();
    HashWorker(const HashWorker&) = delete;
    HashWorker& operator=(const HashWorker&) = delete;

    static constexpr std::uint64_t kDefaultLagLimit = 32u << 20;
    // The most bytes one read back takes.
    static constexpr std::size_t kReadBlockSize = 256u << 10;

    // A new stream over the file at path whose first hashed bytes are in hash already (what
    // was staged of it before); its number. writeBack: whether the disk is asked to start
    // writing the file as it is hashed (not for a file that is removed soon after).
    int open(Sha256 hash, const std::string& path, std::uint64_t hashed, bool writeBack = true);
    // The file of stream now holds total bytes; waits while the lag is over its limit.
    void wrote(int stream, std::uint64_t total);
    // The file of stream starts over from its first byte, as a new Sha256. Returns once the
    // worker has let go of the file, so that it can be truncated.
    void restart(int stream);
    // Once the bytes written are hashed: false when the file could not be read back whole,
    // else true with their digest in digest. The stream is closed.
    bool finish(int stream, Sha256Digest& digest);
    // Closes stream without a digest, and the worker's handle of its file.
    void close(int stream);

private:
    struct Stream {
        Sha256 hash;
        std::string path;
        InputFile file; // opened by the worker at its first read
        std::uint64_t hashed = 0;
        std::uint64_t written = 0;
        std::uint64_t writeBackAt = 0; // hashed bytes at the last write-back request
        bool writeBack = true;
        bool busy = false;             // the worker reads or hashes it without the lock
        bool failed = false;           // a read back failed: the digest cannot be trusted
    };

    void run();
    // Reads and hashes the next block of stream without the lock.
    void hashNextBlock(std::unique_lock<std::mutex>& lock, int number, Stream& stream);
    // Waits until the worker holds nothing of stream; the lock is held.
    void drain(std::unique_lock<std::mutex>& lock, int stream);

    const std::uint64_t lagLimit_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<int, Stream> streams_;
    std::deque<int> ready_;   // streams with bytes to hash, each once, in turn
    std::uint64_t lag_ = 0;   // bytes written and not yet hashed
    std::vector<char> block_; // the worker's one buffer
    int nextStream_ = 0;
    bool stopping_ = false;
    std::thread thread_; // started last, when everything it uses is there
};
