// Windows side of os/DiskFlush.h. Flushing a whole volume needs an administrator, so each
// added file is flushed on its own; a move is written through to the disk as it happens.
#include "os/DiskFlush.h"

#include <windows.h>

void DiskFlush::add(const std::string& path)
{
    files_.push_back(path);
}

bool DiskFlush::move(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool DiskFlush::flush()
{
    bool flushed = true;
    for (const std::string& path : files_) {
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            flushed = false;
            continue;
        }
        flushed = FlushFileBuffers(file) != 0 && flushed;
        CloseHandle(file);
    }
    if (flushed)
        files_.clear();
    return flushed;
}
