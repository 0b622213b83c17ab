// POSIX side of ListedPath.h: file systems here know no short names.
#include "update/ListedPath.h"

std::string ShortNameReason(const std::string&)
{
    return {};
}
