#include "update/StagedFile.h"

#include "text/FormatString.h"
#include "update/FileDigest.h"
#include "update/HashWorker.h"
#include "update/StagingIndex.h"
#include "update/LocalPath.h"
#include "update/LocalRemoval.h"
#include "update/PayloadFetch.h"
#include "update/StateFolder.h"

#include <algorithm>
#include <fstream>
#include <utility>
#include <vector>

namespace {

constexpr int kHttpOk = 200;
constexpr int kHttpPartial = 206;
// How much a file takes before the disk is asked to start writing it: the flush before the
// switch then finds little left to do.
constexpr std::uint64_t kWriteBackInterval = 4u << 20;

// The listed path without its "./".
std::string Relative(const std::string& listedPath)
{
    return listedPath.compare(0, 2, "./") == 0 ? listedPath.substr(2) : listedPath;
}

} // namespace

StagedFile::StagedFile(PlannedFile file, StagingIndex& index)
    : file_(std::move(file)),
      data_(file_.payload.empty() ? DataPath(file_.path) : PayloadDataPath(file_.payload)), index_(index)
{}

StagedFile::~StagedFile()
{
    stopHashingBeside();
}

bool StagedFile::hashed() const
{
    return file_.payload.empty() || IsPatch(file_);
}

void StagedFile::hashBeside(HashWorker& worker)
{
    if (!hashed())
        return;
    worker_ = &worker;
    // A payload is removed once its file is made from it: it never needs to reach the disk.
    stream_ = worker.open(std::move(hash_), data_, received_, file_.payload.empty());
}

void StagedFile::stopHashingBeside()
{
    if (worker_ != nullptr)
        worker_->close(stream_);
    worker_ = nullptr;
}

void StagedFile::restartHash()
{
    if (worker_ != nullptr)
        worker_->restart(stream_);
    else
        hash_ = Sha256();
}

std::string StagedFile::AreaPath(const std::string& area, const std::string& listedPath)
{
    return LocalPath(std::string(state::kStaging) + area + Relative(listedPath));
}

std::string StagedFile::DataPath(const std::string& listedPath)
{
    return AreaPath("/data/", listedPath);
}

std::string StagedFile::PayloadDataPath(const std::string& payload)
{
    return AreaPath("/payload/data/", payload);
}

bool StagedFile::prepare()
{
    // A line whose data file has gone describes nothing.
    if (!index_.describes(file_) || !hashStaged())
        return prepareAfresh();
    if (received_ > file_.size)
        return prepareAfresh();
    if (received_ == file_.size) {
        complete_ = finish().empty();
        if (complete_)
            return true;
        return prepareAfresh();
    }
    return out_.open(data_, OutputFile::Mode::Append);
}

// Feeds what is staged into the hash, so that it covers the whole file after a resume;
// false when nothing is staged.
bool StagedFile::hashStaged()
{
    hash_ = Sha256();
    received_ = 0;
    // One byte beyond the listed size is enough to tell a file that is too long.
    return HashFile(data_, std::uint64_t{file_.size} + 1, hash_, received_);
}

void StagedFile::discard()
{
    stopHashingBeside();
    out_.close();
    RemoveLocalFile(data_);
    index_.forget(file_);
    received_ = 0;
}

bool StagedFile::prepareAfresh()
{
    hash_ = Sha256();
    received_ = 0;
    complete_ = false;
    // The index line first: a data file without it is never taken for this listed file.
    return index_.note(file_) && index_.openAfresh(out_, data_);
}

bool StagedFile::begin(int status, std::uint64_t rangeStart)
{
    if (status == kHttpPartial)
        return rangeStart == received_;
    if (status != kHttpOk)
        return false;
    if (received_ == 0)
        return true;
    // A server that does not continue a download sends the whole file again.
    restartHash();
    received_ = 0;
    return out_.open(data_, OutputFile::Mode::Truncate);
}

bool StagedFile::write(const char* bytes, std::size_t count)
{
    if (received_ + count > file_.size)
        tooLong_ = true;
    if (writeFailed_ || tooLong_ || !out_.write(bytes, count)) {
        writeFailed_ = true;
        return false;
    }
    received_ += count;
    if (worker_ != nullptr) {
        // The worker reads the bytes back, and starts their write-back too.
        worker_->wrote(stream_, received_);
        return true;
    }
    if (hashed())
        hash_.update(bytes, count);
    sinceWriteBack_ += count;
    if (sinceWriteBack_ >= kWriteBackInterval && file_.payload.empty()) {
        out_.startWriteBack();
        sinceWriteBack_ = 0;
    }
    return true;
}

std::string StagedFile::finish()
{
    const bool closed = out_.close();
    if (tooLong_) {
        // A reply longer than the file is not the file: nothing of it is worth continuing.
        discard();
        return "more bytes than listed";
    }
    if (writeFailed_ || !closed)
        return "write error";
    if (received_ != file_.size)
        return FormatString("%llu of %u bytes", static_cast<unsigned long long>(received_), file_.size);
    Sha256Digest sum;
    if (worker_ != nullptr) {
        const bool hashed = worker_->finish(stream_, sum);
        worker_ = nullptr;
        if (!hashed)
            return "the staged file cannot be read back";
    } else {
        sum = hash_.finish();
    }
    const std::string digest = HexDigest(sum);
    if (hashed() && !file_.sha256.empty() && digest != file_.sha256) {
        // Bytes that do not match the signed checksum are worth nothing to a later run.
        discard();
        return "checksum mismatch";
    }
    return {};
}
