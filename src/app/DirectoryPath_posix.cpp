// POSIX side of DirectoryPath.h.
#include "app/DirectoryPath.h"

#include <unistd.h>

std::string AbsoluteDirectory(const std::string& directory)
{
    if (!directory.empty() && directory[0] == '/')
        return directory;
    char buffer[4096];
    if (::getcwd(buffer, sizeof buffer) == nullptr)
        return directory;
    std::string base = buffer;
    if (base != "/")
        base += '/';
    return base + directory;
}
