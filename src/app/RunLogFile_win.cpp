// Windows side of RunLogFile.h: the log below the user's local application data.
#include "app/RunLogFile.h"

#include "app/AppNames.h"

#include <windows.h>

#include <shlobj.h>

std::string RunLogPath(const std::string& product)
{
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                folder)))
        return {};
    std::string path = folder;
    for (const char* part : {app::kMakerKey, app::kDisplayName}) {
        path += std::string("\\") + part;
        if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
    return path + "\\" + LogFileName(product);
}

std::uint64_t LogFileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
