#pragma once
// A file read at given offsets while another handle may go on writing it: the hash worker
// reads back the staged downloads the run's thread writes.

#include <cstddef>
#include <cstdint>
#include <string>

class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;

    // Opens path for reading; other handles may still write, truncate or remove it. False
    // when it cannot be opened.
    bool open(const std::string& path);
    bool isOpen() const { return handle_ != kClosed; }

    // Reads up to count bytes from offset on: how many it read (0 at the end), or -1 on an
    // error.
    std::int64_t readAt(std::uint64_t offset, char* buffer, std::size_t count);

    // Asks the disk to start writing the file's first end bytes, whichever handle wrote
    // them, without waiting (on Linux; elsewhere the system's own write-back does).
    void startWriteBack(std::uint64_t end);

    void close();

private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;
};
