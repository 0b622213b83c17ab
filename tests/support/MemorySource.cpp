#include "support/MemorySource.h"

#include <algorithm>
#include <cstring>
#include <utility>

MemorySource::MemorySource(std::string bytes, std::vector<int> pieceSizes)
    : bytes_(std::move(bytes)), pieceSizes_(std::move(pieceSizes))
{}

int MemorySource::receive(char* buffer, int size)
{
    int limit = size;
    if (!pieceSizes_.empty())
        limit =
            std::min(limit, std::max(1, pieceSizes_[static_cast<std::size_t>(calls_) % pieceSizes_.size()]));
    ++calls_;
    const std::size_t count = std::min(static_cast<std::size_t>(limit), bytes_.size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return static_cast<int>(count);
}
