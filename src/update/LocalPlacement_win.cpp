// Windows side of LocalPlacement.h: file times through the file-time API.
#include "update/LocalPlacement.h"

#include "update/FileTime.h"

#include <windows.h>

#include <cstdio>

namespace {

// Owns a file handle.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle()
    {
        if (valid()) {
            CloseHandle(handle_);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

} // namespace

bool stampFile(const char* path, std::uint32_t time)
{
    const FileHandle file(CreateFileA(path, FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::uint64_t ticks = FileTimeFromStamp(time);
    FILETIME stamp;
    stamp.dwLowDateTime = static_cast<DWORD>(ticks);
    stamp.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    // Both times: some file systems keep no separate creation time and report the last
    // write instead. The last-access time (nullptr) stays.
    if (!file.valid() || !SetFileTime(file.get(), &stamp, nullptr, &stamp)) {
        std::fprintf(stderr, "stampFile: cannot set the times of %s (error %lu)\n", path, GetLastError());
        std::fflush(stderr);
        return false;
    }
    return true;
}
