// POSIX side of update/LocalPath.h.
#include "update/LocalPath.h"

#include "text/Codepage.h"

std::string LocalPath(const std::string& path)
{
    return Utf8FromCp1252(path);
}
