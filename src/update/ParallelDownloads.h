#pragma once
// The downloads of one update run, several at once in the one thread: each needed file
// is received into a StagedFile of its own over an exchange of its own (on a connection
// an earlier download of the slot left open, when the server keeps it). Downloads start
// in the order they are added, as slots come free, and complete in any order; each is
// hashed in the run's hash worker while it arrives and checked as it completes.

#include "net/ParallelExchanges.h"
#include "update/HashWorker.h"
#include "update/PlannedFile.h"
#include "update/StagedFile.h"
#include "update/StagingIndex.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

// How many downloads a run keeps in flight unless BRENHOLD_TRANSFERS says otherwise.
inline constexpr int kDefaultTransfers = 6;
inline constexpr int kMostTransfers = 16;

// The number of downloads at once: BRENHOLD_TRANSFERS when it is set to a number from 1
// to kMostTransfers (another value is reported on standard error), else kDefaultTransfers.
int ConfiguredTransfers();

// How one download ended.
struct DownloadResult {
    const PlannedFile& file;
    std::string failure = {};   // empty when the file is staged, complete and checked
    bool stagingFailed = false; // the staging area could not be written: nothing was asked
    bool alreadyStaged = false; // an earlier run staged it whole: nothing was asked
    int status = 0;             // the reply's status code
    std::uint64_t offset = 0;   // the byte the request continued at
    bool cancelled = false;     // the run was cancelled: what arrived stays staged
};

class ParallelDownloads final : private ExchangeEvents {
public:
    // What the run provides and learns of its downloads.
    class Owner {
    public:
        // Where to and what to send for file, continuing at offset (0: the whole file).
        struct Request {
            std::string host;
            std::uint16_t port = 80;
            std::string bytes;
            bool secure = false; // over TLS
            std::string tunnel;  // the CONNECT request for a proxy, sent first; empty when direct
        };
        virtual Request fileRequest(const PlannedFile& file, std::uint64_t offset) = 0;
        // A block of the reply for staged, which takes it: the owner writes it there.
        virtual void takeBlock(StagedFile& staged, const char* bytes, int count) = 0;
        // The bytes staged for the run's files changed without a block: a file continued
        // (its staged bytes count) or started over (they no longer do).
        virtual void stagedBytesChanged(std::int64_t delta) = 0;
        // The request for file failed before its reply (reason says how) and goes out
        // again: retry counts from 1.
        virtual void downloadRetried(const PlannedFile& file, int retry, const std::string& reason) = 0;
        // A download is over.
        virtual void downloadEnded(const DownloadResult& result) = 0;

    protected:
        ~Owner() = default;
    };

    // index: what the staging area holds (it must outlive the downloads); transfers: the
    // most downloads at once; observer (not owned, may be null) is called
    // while they wait and between blocks, and cancelling through it ends them all.
    ParallelDownloads(Owner& owner, StagingIndex& index, int transfers, const Timeouts& timeouts,
                      int receiveBlockSize, WaitObserver* observer);
    ~ParallelDownloads();
    ParallelDownloads(const ParallelDownloads&) = delete;
    ParallelDownloads& operator=(const ParallelDownloads&) = delete;

    // Prepares the staged file for file and starts its download; returns once fewer than
    // transfers downloads are in flight (one until the run's first body byte has come), so
    // that with one transfer it returns when the download is over.
    void add(const PlannedFile& file);

    // Waits until every download is over; the number of them that failed (a cancelled one
    // does not count).
    int finish();

    // Ends every download under way; each is reported cancelled.
    void cancel();

    // The worker that hashes the downloads: also for files the run makes from them.
    HashWorker& hashes() { return hashes_; }

    // The roots the downloads over TLS trust.
    void setTlsTrust(const TlsTrust& trust) { exchanges_.tlsTrust = trust; }

private:
    struct Download;

    void onRetry(int exchange, int retry, const std::string& reason) override;
    void onHeader(int exchange, int status, const std::string& header) override;
    void onBody(int exchange, const char* bytes, int count) override;
    void onEnd(int exchange, ExchangeEnd end) override;

    Owner& owner_;
    StagingIndex& index_;
    const std::size_t transfers_;
    ParallelExchanges exchanges_;
    HashWorker hashes_; // before the downloads, whose staged files it hashes
    std::map<int, std::unique_ptr<Download>> downloads_; // by exchange number
    int failed_ = 0;
    bool bodyArrived_ = false; // a body byte of any download has come
};
