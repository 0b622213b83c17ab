// POSIX side of os/DiskFlush.h: one syncfs of the volume, which takes the data and the folder
// entries of every file with it, instead of an fsync of each file and each folder.
#include "os/DiskFlush.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

// Any file on the volume names it for syncfs; the first and the latest are kept, since a
// later move may take the first away again (an undone switch moves files back).
void DiskFlush::add(const std::string& path)
{
    if (files_.size() < 2)
        files_.push_back(path);
    else
        files_.back() = path;
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
    int fd = ::open(files_.back().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fd = ::open(files_.front().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool flushed = ::syncfs(fd) == 0;
    ::close(fd);
    if (flushed)
        files_.clear();
    return flushed;
}
