// Windows side of InstallTarget.h: the known folder UserProgramFiles.
#include "install/InstallTarget.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

namespace {

// FOLDERID_UserProgramFiles; SHGetKnownFolderPath is looked up at run time, as the
// headers of this build (which still runs on Windows XP) do not declare it.
constexpr GUID kUserProgramFiles = {0x5cd7aee2, 0x2219, 0x4a67, {0xb8, 0x5d, 0x6c, 0x9c, 0xe1, 0x56, 0x60, 0xcb}};
using KnownFolderPath = HRESULT(WINAPI*)(REFGUID, DWORD, HANDLE, PWSTR*);
// KF_FLAG_CREATE: the folder is made when missing, as the file dialog opens a proposal's
// folder only when it exists.
constexpr DWORD kCreateFolder = 0x8000;

// The wide path in the ANSI code page; empty when a character has no exact equivalent.
std::string AnsiText(const wchar_t* wide)
{
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &lossy);
    if (size <= 1 || lossy)
        return {};
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, text.data(), size, nullptr, nullptr);
    text.resize(static_cast<std::size_t>(size - 1));
    return text;
}

std::string UserProgramFiles()
{
    const auto known = reinterpret_cast<KnownFolderPath>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("shell32.dll"), "SHGetKnownFolderPath")));
    if (known != nullptr) {
        PWSTR wide = nullptr;
        const HRESULT result = known(kUserProgramFiles, kCreateFolder, nullptr, &wide);
        std::string path = SUCCEEDED(result) ? AnsiText(wide) : std::string();
        CoTaskMemFree(wide);
        if (!path.empty())
            return path;
    }
    // Where Windows keeps that folder unless it was moved.
    char localAppData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, localAppData)))
        return {};
    const std::string folder = std::string(localAppData) + "\\Programs";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

} // namespace

std::string PerUserProgramDirectory(const std::string& product)
{
    const std::string folder = UserProgramFiles();
    return folder.empty() ? std::string() : folder + "\\" + product;
}
