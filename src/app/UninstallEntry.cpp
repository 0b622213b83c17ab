#include "app/UninstallEntry.h"

#include "app/AppNames.h"
#include "text/StringUtil.h"

std::string UninstallEntryKey(const std::string& product)
{
    return std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + app::kDisplayName +
           "." + product;
}

std::string UninstallerCopyPath(const std::string& mainDirectory)
{
    std::string directory = mainDirectory;
    ReplaceAll(directory, "/", "\\");
    while (directory.size() > 3 && directory.back() == '\\')
        directory.pop_back();
    if (directory.empty() || directory.back() != '\\')
        directory += '\\';
    return directory + ".brenhold\\" + app::kDisplayName + ".exe";
}

std::string UninstallCommand(const std::string& copyPath, const std::string& product, bool quiet)
{
    return "\"" + copyPath + "\" --uninstall " + product + (quiet ? " --quiet" : "");
}
