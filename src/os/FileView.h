#pragma once
// The bytes of a whole file, read-only, for as long as the view lives: the installed file a
// patch starts from. On Windows the file is mapped and opened without write sharing, so that
// nobody can change or cut it while it is viewed; elsewhere it is read into memory, since a
// mapped file that another process cuts would stop the program.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class FileView {
public:
    FileView() = default;
    ~FileView();
    FileView(const FileView&) = delete;
    FileView& operator=(const FileView&) = delete;

    // Views the file at path; false when it cannot be opened or read whole (on Windows also
    // while another handle may write it).
    bool open(const std::string& path);
    void close();

    const char* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    const char* data_ = nullptr;
    std::size_t size_ = 0;
    std::unique_ptr<char[]> read_; // the bytes where they are read rather than mapped
};
