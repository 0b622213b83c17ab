#pragma once
// A file written by the update run that must reach the disk before the run relies on it:
// staged downloads, the journal and the record of installed files.

#include <cstdint>
#include <string>
#include <string_view>

class OutputFile {
public:
    enum class Mode { Truncate, Append };

    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;

    // Opens path for writing, creating it when missing; false when that fails.
    bool open(const std::string& path, Mode mode);
    bool isOpen() const { return handle_ != kClosed; }

    // Writes every byte; false when the file system took fewer.
    bool write(const char* bytes, std::size_t count);

    // Asks the disk to start writing what was written so far, without waiting for it (on
    // Linux; elsewhere the system's own write-back does).
    void startWriteBack();

    // Waits until everything written is on the disk.
    bool flushToDisk();

    // Closes the file; false when the last writes failed to reach the file system.
    bool close();

private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;
};

// Writes bytes as the whole file at path so that a cut at any moment leaves either the
// old file or the new one: a temporary file beside it, flushed to disk, renamed over it.
bool WriteFileDurably(const std::string& path, std::string_view bytes);

// Renames from to to, replacing a file at to, and makes the rename reach the disk before
// it returns; false when that fails, in which case both stay as they were.
bool MoveFileDurably(const std::string& from, const std::string& to);

// The bytes free for this user on the volume that holds path; none known gives UINT64_MAX.
std::uint64_t FreeSpaceAt(const std::string& path);
