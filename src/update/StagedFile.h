#pragma once
// A download in the staging area: received into .brenhold/staging/data/<path>, described by
// its line in the staging index (the listed time, size and checksum it belongs to; a payload
// of the store that the file is made from: payload/data/<name>, by its name in the store, so
// that each form of a file keeps what it staged) and, unless it is a compressed form, hashed
// while it arrives. The disk is asked to start writing it every few MiB, and the switch
// flushes it to disk before it relies on it. A partial file of the same listed time, size and
// checksum is continued by the next run.

#include "crypto/Sha256.h"
#include "os/OutputFile.h"
#include "update/PlannedFile.h"

#include <cstdint>
#include <string>

class HashWorker;
class StagingIndex;

class StagedFile {
public:
    // index (which must outlive this file) keeps what the staged bytes belong to.
    StagedFile(PlannedFile file, StagingIndex& index);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // From now on the bytes are read back and hashed by worker (which must outlive this
    // file), which also starts their write-back, instead of the calling thread; call after
    // prepare.
    void hashBeside(HashWorker& worker);

    // Takes over what an earlier run staged for the same listed file, or starts afresh.
    // False when the staging area cannot be written.
    bool prepare();
    // Starts afresh, whatever was staged for the file before; false when the staging area
    // cannot be written.
    bool prepareAfresh();

    // Whether the complete and checked file is staged already.
    bool complete() const { return complete_; }

    // The bytes already staged: the first byte a continued download asks for.
    std::uint64_t offset() const { return received_; }

    // The first block of a reply is about to arrive: a reply of the whole file (status
    // 200) starts over from the first byte, a partial one (206) continues at offset.
    // False when the reply cannot be taken.
    bool begin(int status, std::uint64_t rangeStart);

    // Appends bytes of the reply; false when they could not be written or exceed the size.
    bool write(const char* bytes, std::size_t count);

    // After the reply: empty when the file is complete and checked; otherwise
    // the English reason. What was received stays staged for a later run to continue.
    std::string finish();

    // Removes what is staged for this file.
    void discard();

    const PlannedFile& file() const { return file_; }

    // Where a listed path is staged, as a local path relative to the main directory.
    static std::string DataPath(const std::string& listedPath);
    // Where a payload is staged, by its name in the store.
    static std::string PayloadDataPath(const std::string& payload);

private:
    static std::string AreaPath(const std::string& area, const std::string& listedPath);
    // Whether the staged bytes are checked against their own listed SHA-256: a file, and a
    // patch before it is applied. A compressed form is not: it is decoded while it arrives,
    // and the file it gives is checked, so hashing its bytes as well would only cost time.
    bool hashed() const;
    bool hashStaged();
    void restartHash();
    // Closes the worker's stream, and so its handle of the staged file.
    void stopHashingBeside();

    PlannedFile file_;
    std::string data_;
    StagingIndex& index_;
    OutputFile out_;
    Sha256 hash_;
    HashWorker* worker_ = nullptr; // hashes instead of hash_ when set
    int stream_ = -1;              // of worker_
    std::uint64_t received_ = 0;
    std::uint64_t sinceWriteBack_ = 0; // without a worker: written since the last write-back
    bool complete_ = false;
    bool writeFailed_ = false;
    bool tooLong_ = false;
};
