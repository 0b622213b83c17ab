// POSIX side of RunLogFile.h: the log below the XDG state folder.
#include "app/RunLogFile.h"

#include "app/AppNames.h"
#include "os/UserFolders.h"
#include "text/Codepage.h"

#include <sys/stat.h>

std::string RunLogPath(const std::string& product)
{
    const std::string home = XdgBaseFolder("XDG_STATE_HOME", "/.local/state");
    if (home.empty())
        return {};
    const std::string folder = home + "/" + app::kMakerKey;
    if (!MakePrivateFolders(folder))
        return {};
    return folder + "/" + Utf8FromCp1252(LogFileName(product));
}

std::uint64_t LogFileSize(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return 0;
    return static_cast<std::uint64_t>(status.st_size);
}
