// POSIX side of LongPath.h: a name has one spelling only, so an existing path is its own
// expansion.
#include "shell/LongPath.h"

#include <sys/stat.h>

std::size_t ExpandLongPath(std::string path, std::string& result)
{
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) {
        return 0;
    }
    result = path;
    return result.size();
}
