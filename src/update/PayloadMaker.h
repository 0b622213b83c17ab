#pragma once
// Makes a needed file in its staging place from a payload of the store. A compressed form is
// decoded block by block while it arrives, so that the file is ready when its last byte is:
// one larger than a block in a thread of its own, so that the run receives its other
// downloads meanwhile. A patch refers to the installed file throughout and is applied once
// it is staged whole, so that one older file at a time is held in memory. The made file is
// hashed in the run's hash worker and checked against its listed size and SHA-256.

#include "codec/ZstdDecoder.h"
#include "os/FileView.h"
#include "update/PlannedFile.h"
#include "update/StagedFile.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class HashWorker;
class StagingIndex;

class PayloadMaker {
public:
    // payload: the download, staged at StagedFile::PayloadDataPath; file: the listed file made
    // from it; installedPath: the installed file a patch starts from. index and hashes must
    // outlive the maker.
    PayloadMaker(PlannedFile payload, PlannedFile file, std::string installedPath, StagingIndex& index,
                 HashWorker& hashes);
    ~PayloadMaker();
    PayloadMaker(const PayloadMaker&) = delete;
    PayloadMaker& operator=(const PayloadMaker&) = delete;

    // The payload's bytes from stagedBefore on were just staged. A compressed form decodes
    // them; when decoding stands elsewhere (a download continued from an earlier run, or one
    // that started over), it starts again with what is staged before them.
    void take(std::uint64_t stagedBefore, const char* bytes, std::size_t count);

    // The payload is staged whole and checked: makes what is left of the file and checks it.
    // Empty when the file is staged and checked, otherwise the English reason. The staged
    // payload is removed either way, and nothing of a failed file stays staged.
    std::string finish();

    // The payload did not arrive: the part of the file made from it goes (a later form of
    // the file must not continue bytes it cannot vouch for); the payload stays staged.
    void abandon();

private:
    // The blocks taken and not yet decoded stay within this many bytes.
    static constexpr std::size_t kQueueLimit = 4u << 20;

    bool patch() const;
    // A new decoder and an empty made file; false (failure_ set) when they cannot be had.
    bool restart();
    // Decodes the staged payload's first `upTo` bytes afresh.
    bool decodeStaged(std::uint64_t upTo);
    bool decode(const char* bytes, std::size_t count);
    void fail(std::string reason);
    // The decoding thread: decodes the blocks taken, in turn, until the maker goes.
    void decodeTaken();
    // Waits until every block taken is decoded; a failure of the thread's becomes the
    // maker's here, in the run's thread, which alone touches the staging index.
    void settle();

    PlannedFile payload_;
    PlannedFile file_;
    std::string installedPath_;
    StagingIndex& index_;
    HashWorker& hashes_;
    FileView old_; // the installed file a patch refers to, while it is applied
    std::unique_ptr<ZstdDecoder> decoder_;
    std::optional<StagedFile> made_;
    std::uint64_t decoded_ = 0; // payload bytes handed to the decoder
    std::uint64_t taken_ = 0;   // payload bytes handed to the decoder or queued for it
    std::string failure_;

    // Shared with the decoding thread, under mutex_; until the thread is idle again, it
    // alone touches the decoder and the made file.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<char>> queue_;
    std::size_t queued_ = 0;        // bytes in queue_
    bool decoding_ = false;         // the thread decodes a block without the lock
    bool stopping_ = false;
    std::string threadFailure_;     // why the thread's decoding failed
    std::thread thread_;            // started with the first block it decodes
};
