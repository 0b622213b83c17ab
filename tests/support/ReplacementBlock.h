#pragma once
// Keeps a file from being renamed, replaced or removed while the object lives, as a file
// that refuses to be replaced does on a customer's machine: immutable on Linux (which needs
// root), held open without delete sharing on Windows.

#include <cstdint>
#include <filesystem>

class ReplacementBlock {
public:
    explicit ReplacementBlock(const std::filesystem::path& file);
    ~ReplacementBlock();
    ReplacementBlock(const ReplacementBlock&) = delete;
    ReplacementBlock& operator=(const ReplacementBlock&) = delete;

    // False when the platform would not block the file (on Linux: not root, or a file
    // system without the immutable flag): a test then skips.
    bool holds() const { return holds_; }

    // Lets the file be replaced again.
    void release();

private:
    std::filesystem::path file_;
    std::intptr_t handle_ = -1;
    bool holds_ = false;
};
