// Windows side of LongPath.h: each component looked up with a directory search.
#include "shell/LongPath.h"

#include "text/StringUtil.h"

#include <windows.h>

namespace {

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Owns a directory search handle.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle()
    {
        if (valid()) {
            FindClose(handle_);
        }
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// The name of the entry a directory search on path finds, as the file system stores it.
bool StoredName(const std::string& path, std::string& name)
{
    WIN32_FIND_DATAA data = {};
    const FindHandle search(FindFirstFileA(path.c_str(), &data));
    if (!search.valid()) {
        return false;
    }
    name = data.cFileName;
    return true;
}

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

std::size_t ExpandLongPath(std::string path, std::string& result)
{
    if (path.empty() || !Exists(path)) {
        return 0;
    }
    ReplaceAll(path, "/", "\\");
    // Only drive paths can be rebuilt; "C:name" is relative to the drive's current
    // directory, and network or relative paths have no drive root to start from.
    if (path.size() < 2 || !IsAsciiLetter(path[0]) || path[1] != ':') {
        return 0;
    }
    const bool rootOnly = path.size() == 2 || (path.size() == 3 && path[2] == '\\');
    if (!rootOnly && path[2] != '\\') {
        return 0;
    }
    result = LeftChars(path, 3);
    if (rootOnly) {
        return Exists(result) ? result.size() : 0;
    }

    std::string search = result;
    std::size_t pos = 3;
    for (;;) {
        if (path[pos] == '\\') {
            search += '\\';
            ++pos;
        }
        std::size_t end = path.find('\\', pos);
        if (end == std::string::npos) {
            end = path.size();
        }
        search.append(path, pos, end - pos);
        std::string name;
        if (!StoredName(search, name)) {
            return 0;
        }
        result += name;
        pos = end;
        if (pos == path.size()) {
            break;
        }
        result += '\\';
        if (pos + 1 == path.size()) {
            return result.size(); // only a final separator was left
        }
    }
    return Exists(result) ? result.size() : 0;
}
