// POSIX side of update/LocalRemoval.h.
#include "update/LocalRemoval.h"

#include <unistd.h>

#include <cerrno>

bool RemoveLocalFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool RemoveEmptyFolder(const std::string& path)
{
    return ::rmdir(path.c_str()) == 0;
}
