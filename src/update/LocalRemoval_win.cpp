// Windows side of update/LocalRemoval.h.
#include "update/LocalRemoval.h"

#include <windows.h>

bool RemoveLocalFile(const std::string& path)
{
    if (DeleteFileA(path.c_str()))
        return true;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return true;
    // A write-protected copy of an installed file is still the client's to remove.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
        return DeleteFileA(path.c_str()) != 0;
    return false;
}

bool RemoveEmptyFolder(const std::string& path)
{
    return RemoveDirectoryA(path.c_str()) != 0;
}

std::vector<FolderEntry> FolderEntries(const std::string& path)
{
    std::vector<FolderEntry> entries;
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return entries;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return entries;
}
