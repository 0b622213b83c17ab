// POSIX side of UserFolders.h.
#include "os/UserFolders.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

std::string XdgBaseFolder(const char* variable, const char* belowHome)
{
    const char* xdg = std::getenv(variable);
    if (xdg != nullptr && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* user = ::getpwuid(::getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] == '\0')
        return {};
    return std::string(home) + belowHome;
}

bool MakePrivateFolders(const std::string& folder)
{
    for (std::size_t slash = 1; slash != std::string::npos;) {
        slash = folder.find('/', slash + 1);
        if (::mkdir(folder.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0)
        return false;
    if (!S_ISDIR(status.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}
