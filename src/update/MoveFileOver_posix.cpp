// POSIX side of update/MoveFileOver.h.
#include "update/MoveFileOver.h"

#include <cstdio>

bool MoveFileOver(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}
