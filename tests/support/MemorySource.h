#pragma once
// A byte source over bytes in memory, handed out in pieces of given sizes.

#include "net/ByteSource.h"

#include <cstddef>
#include <string>
#include <vector>

class MemorySource final : public ByteSource {
public:
    // Hands out bytes in pieces of the sizes given, cycling through them; every piece is
    // also limited by the size asked for. No sizes: as much as asked for.
    explicit MemorySource(std::string bytes, std::vector<int> pieceSizes = {});

    int receive(char* buffer, int size) override;

    // How many receive calls were made.
    int calls() const { return calls_; }

private:
    std::string bytes_;
    std::vector<int> pieceSizes_;
    std::size_t position_ = 0;
    int calls_ = 0;
};
