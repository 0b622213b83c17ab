// POSIX side of UninstallEntry.h: desktops here keep no list of installed programs, so
// the Linux client writes no entry ("brenhold --uninstall" removes).
#include "app/UninstallEntry.h"

bool RegisterUninstallEntry(const std::string&, const std::string&, const std::string&, const std::string&,
                            RunLog&)
{
    return true;
}

bool RemoveUninstallEntry(const std::string&)
{
    return true;
}
