// POSIX side of RunLogFile.h: the log below the XDG state folder.
#include "app/RunLogFile.h"

#include "app/AppNames.h"
#include "text/Codepage.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// $XDG_STATE_HOME when it is an absolute path, else ~/.local/state; empty without a home.
std::string StateHome()
{
    const char* xdg = std::getenv("XDG_STATE_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* user = ::getpwuid(::getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] == '\0')
        return {};
    return std::string(home) + "/.local/state";
}

bool MakeDirectories(const std::string& directory)
{
    for (std::size_t slash = 1; slash != std::string::npos;) {
        slash = directory.find('/', slash + 1);
        if (::mkdir(directory.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

} // namespace

std::string RunLogPath(const std::string& product)
{
    const std::string home = StateHome();
    if (home.empty())
        return {};
    const std::string folder = home + "/" + app::kMakerKey;
    if (!MakeDirectories(folder))
        return {};
    return folder + "/" + Utf8FromCp1252(LogFileName(product));
}

std::uint64_t LogFileSize(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return 0;
    return static_cast<std::uint64_t>(status.st_size);
}
