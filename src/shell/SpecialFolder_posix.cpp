// POSIX side of SpecialFolder.h: the freedesktop desktop and applications-menu folders.
#include "shell/SpecialFolder.h"

#include "os/UserFolders.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

namespace {

bool IsDirectory(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// An absolute directory from the environment, else the fallback.
std::string EnvironmentDirectory(const char* variable, const std::string& fallback)
{
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] == '/' ? std::string(value) : fallback;
}

// The value of a user-dirs line such as XDG_DESKTOP_DIR="$HOME/Schreibtisch": quoted,
// backslash escapes, absolute or starting with $HOME. False for anything else.
bool UserDirValue(const std::string& quoted, const std::string& home, std::string& dir)
{
    if (quoted.size() < 2 || quoted.front() != '"') {
        return false;
    }
    std::string value;
    std::size_t i = 1;
    for (; i < quoted.size() && quoted[i] != '"'; ++i) {
        if (quoted[i] == '\\' && i + 1 < quoted.size()) {
            ++i;
        }
        value += quoted[i];
    }
    if (i == quoted.size()) {
        return false;
    }
    if (value == "$HOME" || value.rfind("$HOME/", 0) == 0) {
        dir = home + value.substr(5);
        return true;
    }
    if (!value.empty() && value.front() == '/') {
        dir = value;
        return true;
    }
    return false;
}

std::string DesktopDirectory(const std::string& home)
{
    const std::string config = EnvironmentDirectory("XDG_CONFIG_HOME", home + "/.config");
    std::ifstream file(config + "/user-dirs.dirs");
    const std::string key = "XDG_DESKTOP_DIR=";
    std::string desktop = home + "/Desktop";
    for (std::string line; std::getline(file, line);) {
        const auto start = line.find_first_not_of(" \t");
        if (start != std::string::npos && line.compare(start, key.size(), key) == 0) {
            UserDirValue(line.substr(start + key.size()), home, desktop);
        }
    }
    return desktop;
}

} // namespace

bool GetSpecialFolderPath(int folder, std::string& path)
{
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        return false;
    }
    if (folder == kDesktopFolder) {
        // A desktop that does not exist is not made: the user has no desktop then.
        const std::string desktop = DesktopDirectory(home);
        if (!IsDirectory(desktop)) {
            return false;
        }
        path = desktop + "/";
        return true;
    }
    if (folder == kProgramsFolder) {
        const std::string menu =
            EnvironmentDirectory("XDG_DATA_HOME", std::string(home) + "/.local/share") + "/applications";
        if (!MakePrivateFolders(menu)) {
            return false;
        }
        path = menu + "/";
        return true;
    }
    return false;
}
