// POSIX side of PlacementPaths.h: "/" separates, names are compared exactly.
#include "update/PlacementPaths.h"

#include <sys/stat.h>

bool MakeDirectory(const std::string& path)
{
    return mkdir(path.c_str(), 0777) == 0;
}

std::string DirectoryOf(const std::string& path)
{
    const auto last = path.rfind('/');
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

bool SameDirectory(const std::string& a, const std::string& b)
{
    return a == b;
}
