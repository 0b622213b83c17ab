// POSIX side of update/LocalRemoval.h.
#include "update/LocalRemoval.h"

#include <dirent.h>
#include <sys/stat.h>
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

std::vector<FolderEntry> FolderEntries(const std::string& path)
{
    std::vector<FolderEntry> entries;
    DIR* folder = ::opendir(path.c_str());
    if (folder == nullptr)
        return entries;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        const bool isFolder = ::lstat((path + "/" + name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        entries.push_back({name, isFolder});
    }
    ::closedir(folder);
    return entries;
}
