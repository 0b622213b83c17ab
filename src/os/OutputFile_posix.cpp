// POSIX side of os/OutputFile.h.
#include "os/OutputFile.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace {

// The folder that holds path, for flushing a rename in it.
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool OutputFile::open(const std::string& path, Mode mode)
{
    close();
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode == Mode::Append ? O_APPEND : O_TRUNC);
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0)
        return false;
    handle_ = fd;
    return true;
}

bool OutputFile::write(const char* bytes, std::size_t count)
{
    while (count > 0) {
        const ssize_t n = ::write(static_cast<int>(handle_), bytes, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

bool OutputFile::flushToDisk()
{
    return isOpen() && ::fsync(static_cast<int>(handle_)) == 0;
}

void OutputFile::startWriteBack()
{
    // Only a hint: a failure shows at the flush before the switch.
    if (isOpen())
        ::sync_file_range(static_cast<int>(handle_), 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool OutputFile::close()
{
    if (!isOpen())
        return true;
    const int fd = static_cast<int>(handle_);
    handle_ = kClosed;
    return ::close(fd) == 0;
}

bool MoveFileDurably(const std::string& from, const std::string& to)
{
    if (std::rename(from.c_str(), to.c_str()) != 0)
        return false;
    // The rename is an entry of the folder: it is on the disk once the folder is.
    const int folder = ::open(FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

std::uint64_t FreeSpaceAt(const std::string& path)
{
    struct statvfs volume {};
    if (::statvfs(path.c_str(), &volume) != 0)
        return UINT64_MAX;
    return static_cast<std::uint64_t>(volume.f_bavail) * volume.f_frsize;
}
