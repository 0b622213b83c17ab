// POSIX side of ShortName.h: no short names.
#include "ShortName.h"

std::string ShortNameOf(const std::string&)
{
    return {};
}
