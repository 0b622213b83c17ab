// POSIX side of InstallTarget.h: the per-user folder below the XDG data home.
#include "install/InstallTarget.h"

#include "text/Codepage.h"

#include <cstdlib>

std::string PerUserProgramDirectory(const std::string& product)
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/')
        return Cp1252FromUtf8(dataHome) + "/" + product;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/')
        return {};
    return Cp1252FromUtf8(home) + "/.local/share/" + product;
}
