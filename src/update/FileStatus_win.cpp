// Windows side of FileStatus.h: the creation time from the file-time API.
#include "update/FileStatus.h"

#include "update/FileTime.h"

#include <windows.h>

FileStatus QueryFileStatus(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    FileStatus status;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        return status;
    }
    status.exists = true;
    status.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.creationTime = StampFromFileTime((std::uint64_t(data.ftCreationTime.dwHighDateTime) << 32) |
                                            data.ftCreationTime.dwLowDateTime);
    return status;
}
