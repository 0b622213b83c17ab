// Windows side of update/MoveFileOver.h.
#include "update/MoveFileOver.h"

#include <windows.h>

bool MoveFileOver(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
