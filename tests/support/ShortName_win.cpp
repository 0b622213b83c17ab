// Windows side of ShortName.h.
#include "ShortName.h"

#include <windows.h>

std::string ShortNameOf(const std::string& name)
{
    char shortName[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(name.c_str(), shortName, sizeof shortName);
    if (length == 0 || length >= sizeof shortName)
        return {};
    const std::string found(shortName, length);
    return found == name ? std::string() : found;
}
