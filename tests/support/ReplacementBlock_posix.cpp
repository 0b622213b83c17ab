// POSIX side of ReplacementBlock.h: the file system's immutable flag.
#include "ReplacementBlock.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

bool SetImmutable(const std::filesystem::path& file, bool on)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool set = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (set) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        set = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return set;
}

} // namespace

ReplacementBlock::ReplacementBlock(const std::filesystem::path& file) : file_(file)
{
    holds_ = SetImmutable(file_, true);
}

ReplacementBlock::~ReplacementBlock()
{
    release();
}

void ReplacementBlock::release()
{
    if (holds_)
        SetImmutable(file_, false);
    holds_ = false;
}
