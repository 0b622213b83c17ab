// POSIX side of os/DiskFlush.h: one syncfs of the volume, which takes the data and the folder
// entries of every file with it, instead of an fsync of each file and each folder.
#include "os/DiskFlush.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

void DiskFlush::add(const std::string& path)
{
    if (files_.empty())
        files_.push_back(path);
}

bool DiskFlush::move(const std::string& from, const std::string& to)
{
    if (std::rename(from.c_str(), to.c_str()) != 0)
        return false;
    add(to);
    return true;
}

bool DiskFlush::flush()
{
    if (files_.empty())
        return true;
    const int fd = ::open(files_.front().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool flushed = ::syncfs(fd) == 0;
    ::close(fd);
    if (flushed)
        files_.clear();
    return flushed;
}
