// POSIX side of os/InputFile.h.
#include "os/InputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

bool InputFile::open(const std::string& path)
{
    close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    handle_ = fd;
    return true;
}

std::int64_t InputFile::readAt(std::uint64_t offset, char* buffer, std::size_t count)
{
    for (;;) {
        const ssize_t n = ::pread(static_cast<int>(handle_), buffer, count, static_cast<off_t>(offset));
        if (n >= 0)
            return n;
        if (errno != EINTR)
            return -1;
    }
}

void InputFile::startWriteBack(std::uint64_t end)
{
    // Only a hint: a failure shows at the flush before the switch. The range is the file's,
    // not the handle's, so a reader may ask for what a writer wrote.
    if (isOpen())
        ::sync_file_range(static_cast<int>(handle_), 0, static_cast<off_t>(end), SYNC_FILE_RANGE_WRITE);
}

void InputFile::close()
{
    if (isOpen())
        ::close(static_cast<int>(std::exchange(handle_, kClosed)));
}
