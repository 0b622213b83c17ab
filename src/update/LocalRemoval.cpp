#include "update/LocalRemoval.h"

bool RemoveTree(const std::string& path)
{
    for (const FolderEntry& entry : FolderEntries(path)) {
        const std::string inner = path + "/" + entry.name;
        if (entry.isFolder)
            RemoveTree(inner);
        else
            RemoveLocalFile(inner);
    }
    return RemoveEmptyFolder(path);
}
