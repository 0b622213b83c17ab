// Windows side of DirectoryPath.h.
#include "app/DirectoryPath.h"

#include "text/StringUtil.h"

#include <windows.h>

std::string AbsoluteDirectory(const std::string& directory)
{
    char buffer[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(directory.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer)
        return directory;
    std::string path(buffer, length);
    ReplaceAll(path, "\\", "/");
    return path;
}
