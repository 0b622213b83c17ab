// POSIX side of LocalPlacement.h: the modification time carries the time stamp.
#include "update/LocalPlacement.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool stampFile(const char* path, std::uint32_t time)
{
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT; // last access stays
    times[1].tv_sec = static_cast<time_t>(time);
    if (utimensat(AT_FDCWD, path, times, 0) != 0) {
        std::fprintf(stderr, "stampFile: cannot set the time of %s (%s)\n", path, std::strerror(errno));
        std::fflush(stderr);
        return false;
    }
    return true;
}
