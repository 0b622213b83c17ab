// POSIX side of FolderTree.h.
#include "app/FolderTree.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

} // namespace

std::vector<std::string> FolderEntries(const std::string& path)
{
    std::vector<std::string> names;
    const DirHandle dir(::opendir(path.c_str()));
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    return names;
}

bool RemoveFolderTree(const std::string& path, const std::string& keepFile)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(status.st_mode))
        return ::unlink(path.c_str()) == 0;
    bool onlyKept = true;
    for (const std::string& name : FolderEntries(path)) {
        if (name == keepFile)
            continue;
        if (!RemoveFolderTree(path + "/" + name))
            onlyKept = false;
    }
    if (!keepFile.empty() && ::lstat((path + "/" + keepFile).c_str(), &status) == 0)
        return onlyKept;
    return ::rmdir(path.c_str()) == 0;
}

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
