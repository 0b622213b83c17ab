// POSIX side of os/FileView.h: one read into a buffer of the file's size that is not filled
// first.
#include "os/FileView.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>

FileView::~FileView() = default;

bool FileView::open(const std::string& path)
{
    close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    bool whole = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
                 static_cast<std::uintmax_t>(status.st_size) <= SIZE_MAX;
    const std::size_t size = whole ? static_cast<std::size_t>(status.st_size) : 0;
    auto bytes = std::make_unique_for_overwrite<char[]>(size);
    std::size_t taken = 0;
    while (whole && taken < size) {
        const ssize_t got = ::pread(fd, bytes.get() + taken, size - taken, static_cast<off_t>(taken));
        if (got < 0 && errno == EINTR)
            continue;
        whole = got > 0;
        taken += whole ? static_cast<std::size_t>(got) : 0;
    }
    // A file that grew meanwhile is not the one whose size was taken.
    char beyond = 0;
    whole = whole && ::pread(fd, &beyond, 1, static_cast<off_t>(size)) == 0;
    ::close(fd);
    if (!whole)
        return false;
    read_ = std::move(bytes);
    data_ = read_.get();
    size_ = size;
    return true;
}

void FileView::close()
{
    read_.reset();
    data_ = nullptr;
    size_ = 0;
}
