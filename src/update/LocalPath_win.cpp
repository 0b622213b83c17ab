// Windows side of update/LocalPath.h.
#include "update/LocalPath.h"

std::string LocalPath(const std::string& path)
{
    return path;
}
