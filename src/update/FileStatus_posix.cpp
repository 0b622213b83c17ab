// POSIX side of FileStatus.h: the modification time stands for the creation time.
#include "update/FileStatus.h"

#include "update/FileTime.h"

#include <sys/stat.h>

FileStatus QueryFileStatus(const char* path)
{
    struct stat info {};
    FileStatus status;
    if (stat(path, &info) != 0) {
        return status;
    }
    status.exists = true;
    status.isFolder = S_ISDIR(info.st_mode);
    status.size = static_cast<std::uint64_t>(info.st_size);
    status.creationTime = StampFromSeconds(info.st_mtime);
    return status;
}
