#include "update/LocalPlacement.h"

#include "shell/Shortcut.h"
#include "text/StringUtil.h"
#include "update/PlacementPaths.h"

void createDirectories(const char* path)
{
    std::string copy = path;
    ReplaceAll(copy, "\\", "/");
    // A "." marks a file name at the end, which is not a directory to make.
    if ((copy.empty() || copy.back() != '/') && copy.find('.') == std::string::npos) {
        copy += '/';
    }
    for (auto slash = copy.find('/'); slash != std::string::npos; slash = copy.find('/', slash + 1)) {
        MakeDirectory(copy.substr(0, slash + 1));
    }
}

void placeShortcut(std::string name, const char* target, int kind)
{
    ShellShortcut shortcut;
    const std::string workingDirectory = DirectoryOf(target);
    if (ShortcutExists(name, kind)) {
        std::string oldTarget;
        std::string oldArguments;
        std::string oldDescription;
        const auto result = ReadShortcut(name, kind, nullptr, oldTarget, oldArguments, oldDescription);
        // A shortcut that cannot be read tells nothing about its directory: replace it.
        const bool read = result >= 0 && result != kShortcutFolderMissing;
        if (read && SameDirectory(DirectoryOf(oldTarget), workingDirectory)) {
            return;
        }
        if (!oldArguments.empty()) {
            shortcut.SetArguments(oldArguments);
        }
    }
    shortcut.Create(target, name, workingDirectory, kind, "", "", 1);
}
