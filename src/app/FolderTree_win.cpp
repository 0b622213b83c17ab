// Windows side of FolderTree.h.
#include "app/FolderTree.h"

#include "text/StringUtil.h"
#include "update/LocalRemoval.h"

#include <windows.h>

namespace {

// Owns a directory search handle.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle()
    {
        if (isOpen())
            FindClose(handle_);
    }
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

bool SameName(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

} // namespace

std::vector<std::string> FolderEntries(const std::string& path)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data{};
    const FindHandle find(FindFirstFileA((path + "\\*").c_str(), &data));
    if (!find.isOpen())
        return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find.get(), &data));
    return names;
}

bool RemoveFolderTree(const std::string& path, const std::string& keepFile)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    // A junction or folder link is removed itself; what it leads to is not the client's.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return RemoveLocalFile(path);
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return RemoveDirectoryA(path.c_str()) != 0;
    bool onlyKept = true;
    bool kept = false;
    for (const std::string& name : FolderEntries(path)) {
        if (!keepFile.empty() && SameName(name, keepFile)) {
            kept = true;
            continue;
        }
        if (!RemoveFolderTree(path + "\\" + name))
            onlyKept = false;
    }
    if (kept)
        return onlyKept;
    return RemoveDirectoryA(path.c_str()) != 0;
}

std::string AbsoluteDirectory(const std::string& directory)
{
    char buffer[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(directory.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer)
        return directory;
    std::string path(buffer, length);
    ReplaceAll(path, "\\", "/");
    return path;
}
