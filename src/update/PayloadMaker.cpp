#include "update/PayloadMaker.h"

#include "update/HashWorker.h"
#include "update/PayloadFetch.h"

#include <cstdint>
#include <fstream>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kReadBlock = 256 * 1024;

} // namespace

PayloadMaker::PayloadMaker(PlannedFile payload, PlannedFile file, std::string installedPath, StagingIndex& index,
                           HashWorker& hashes)
    : payload_(std::move(payload)), file_(std::move(file)), installedPath_(std::move(installedPath)), index_(index),
      hashes_(hashes)
{}

PayloadMaker::~PayloadMaker()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool PayloadMaker::patch() const
{
    return IsPatch(payload_);
}

void PayloadMaker::fail(std::string reason)
{
    if (failure_.empty())
        failure_ = std::move(reason);
    if (made_)
        made_->discard();
    made_.reset();
    decoder_.reset();
    old_.close();
}

bool PayloadMaker::restart()
{
    decoded_ = 0;
    made_.reset();
    decoder_.reset();
    made_.emplace(file_, index_);
    if (!made_->prepareAfresh()) {
        fail("the staging area cannot be written");
        return false;
    }
    made_->hashBeside(hashes_);
    decoder_ = std::make_unique<ZstdDecoder>(file_.size, std::string_view(old_.data(), old_.size()));
    if (!decoder_->failure().empty()) {
        fail(decoder_->failure());
        return false;
    }
    return true;
}

bool PayloadMaker::decode(const char* bytes, std::size_t count)
{
    const ZstdDecoder::Sink sink = [this](const char* made, std::size_t madeCount) {
        return made_->write(made, madeCount);
    };
    if (!decoder_->feed(std::string_view(bytes, count), sink)) {
        fail(decoder_->failure());
        return false;
    }
    decoded_ += count;
    return true;
}

bool PayloadMaker::decodeStaged(std::uint64_t upTo)
{
    if (!restart())
        return false;
    std::ifstream in(StagedFile::PayloadDataPath(payload_.payload), std::ios::binary);
    std::vector<char> block(kReadBlock);
    while (decoded_ < upTo) {
        const std::uint64_t left = upTo - decoded_;
        const std::size_t ask = left < block.size() ? static_cast<std::size_t>(left) : block.size();
        if (!in.read(block.data(), static_cast<std::streamsize>(ask))) {
            fail("the staged payload cannot be read");
            return false;
        }
        if (!decode(block.data(), ask))
            return false;
    }
    return true;
}

void PayloadMaker::take(std::uint64_t stagedBefore, const char* bytes, std::size_t count)
{
    if (patch())
        return;
    if (!decoder_ || stagedBefore != taken_) {
        settle();
        if (!failure_.empty() || !decodeStaged(stagedBefore))
            return;
        taken_ = decoded_;
    }
    if (!failure_.empty())
        return;
    taken_ += count;
    // A payload of one block is decoded at once: a thread would cost more than it saves.
    if (payload_.size <= kReadBlock) {
        decode(bytes, count);
        return;
    }
    std::unique_lock lock(mutex_);
    if (!thread_.joinable())
        thread_ = std::thread([this] { decodeTaken(); });
    // A decoder slower than the network holds the run back rather than memory growing.
    changed_.wait(lock, [&] { return queued_ <= kQueueLimit; });
    queue_.emplace_back(bytes, bytes + count);
    queued_ += count;
    changed_.notify_all();
}

void PayloadMaker::decodeTaken()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            return;
        const std::vector<char> block = std::move(queue_.front());
        queue_.pop_front();
        decoding_ = true;
        const bool failed = !threadFailure_.empty();
        lock.unlock();
        std::string failure;
        if (!failed) {
            const ZstdDecoder::Sink sink = [this](const char* made, std::size_t madeCount) {
                return made_->write(made, madeCount);
            };
            if (decoder_->feed(std::string_view(block.data(), block.size()), sink))
                decoded_ += block.size();
            else
                failure = decoder_->failure();
        }
        lock.lock();
        decoding_ = false;
        queued_ -= block.size();
        if (!failure.empty())
            threadFailure_ = std::move(failure);
        changed_.notify_all();
    }
}

void PayloadMaker::settle()
{
    std::string failure;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return queue_.empty() && !decoding_; });
        failure = std::move(threadFailure_);
        threadFailure_.clear();
    }
    if (!failure.empty())
        fail(std::move(failure));
}

std::string PayloadMaker::finish()
{
    settle();
    // A patch, a payload an earlier run staged whole, or one whose blocks were not all seen
    // here is decoded from what is staged.
    if (failure_.empty() && (!decoder_ || decoded_ != payload_.size)) {
        if (patch() && !old_.open(installedPath_))
            fail("the installed file cannot be read");
        else
            decodeStaged(payload_.size);
    }
    if (failure_.empty() && !decoder_->finished())
        fail("the zstd stream ends inside its frame");
    if (failure_.empty()) {
        const std::string checked = made_->finish();
        if (!checked.empty())
            fail(checked);
    }
    StagedFile(payload_, index_).discard();
    made_.reset();
    decoder_.reset();
    old_.close();
    return failure_;
}

void PayloadMaker::abandon()
{
    settle();
    fail("abandoned");
}
