// Windows side of Shortcut.h: .lnk files through the shell's shell-link object.
#include "shell/Shortcut.h"

#include "shell/ComPtr.h"
#include "shell/LongPath.h"
#include "shell/SpecialFolder.h"

#include <windows.h>

#include <objidl.h>
#include <shlobj.h>

namespace {

// The full name of the shortcut file, or false when the folder is unknown.
bool ShortcutFileName(const std::string& name, int folder, std::string& fileName)
{
    std::string folderPath;
    if (!GetSpecialFolderPath(folder, folderPath)) {
        return false;
    }
    fileName = folderPath + name + "." + "lnk";
    return true;
}

std::wstring ToWide(const std::string& text)
{
    const int length =
        MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

// A new shell-link object and its persist-file interface. COM is initialised for the
// calling thread first and deliberately left initialised.
HRESULT OpenShellLink(ComPtr<IShellLinkA>& link, ComPtr<IPersistFile>& file)
{
    CoInitialize(nullptr);
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.putVoid());
    if (FAILED(result)) {
        return result;
    }
    return link->QueryInterface(IID_IPersistFile, file.putVoid());
}

} // namespace

bool ShortcutExists(const std::string& name, int folder)
{
    std::string fileName;
    if (!ShortcutFileName(name, folder, fileName)) {
        return false;
    }
    // An attribute query instead of a directory search: a name with wildcards must not
    // match some other file.
    return GetFileAttributesA(fileName.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveShortcut(const std::string& name, int folder)
{
    std::string fileName;
    if (!ShortcutFileName(name, folder, fileName)) {
        return false;
    }
    if (DeleteFileA(fileName.c_str())) {
        return true;
    }
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::int32_t ReadShortcut(const std::string& name, int folder, void* ownerWindow, std::string& target,
                          std::string& arguments, std::string& description)
{
    std::string fileName;
    if (!ShortcutFileName(name, folder, fileName)) {
        return kShortcutFolderMissing;
    }
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    HRESULT result = OpenShellLink(link, file);
    if (FAILED(result)) {
        return result;
    }
    result = file->Load(ToWide(fileName).c_str(), STGM_READ);
    if (FAILED(result)) {
        return result;
    }
    // Finds a moved target if it can, but never asks the user.
    result = link->Resolve(static_cast<HWND>(ownerWindow), SLR_NO_UI | SLR_ANY_MATCH);
    if (FAILED(result)) {
        return result;
    }
    char buffer[MAX_PATH] = {};
    WIN32_FIND_DATAA findData = {};
    result = link->GetPath(buffer, MAX_PATH, &findData, SLGP_SHORTPATH);
    if (FAILED(result)) {
        return result;
    }
    target = buffer;
    buffer[0] = '\0';
    result = link->GetArguments(buffer, MAX_PATH);
    if (FAILED(result)) {
        return result;
    }
    arguments = buffer;
    buffer[0] = '\0';
    result = link->GetDescription(buffer, MAX_PATH);
    if (FAILED(result)) {
        return result;
    }
    description = buffer;

    std::string expanded;
    if (ExpandLongPath(target, expanded) > target.size()) {
        target = expanded;
    }
    return result;
}

bool ShellShortcut::Create(const std::string& target, const std::string& name,
                           const std::string& workingDirectory, int folder, const std::string& description,
                           const std::string& iconPath, std::int32_t iconIndex)
{
    char ownPath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, ownPath, MAX_PATH);
    std::string fileName;
    if (!ShortcutFileName(name, folder, fileName)) {
        return false;
    }
    const std::string linkTarget = target == kOwnProgramTarget ? std::string(ownPath) : target;

    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    if (FAILED(OpenShellLink(link, file))) {
        return false;
    }
    // Only creating the object and saving the file decide success; the shell checks the
    // fields when the shortcut is used.
    link->SetPath(linkTarget.c_str());
    link->SetDescription(description.c_str());
    if (!workingDirectory.empty()) {
        link->SetWorkingDirectory(workingDirectory.c_str());
    }
    if (!arguments_.empty()) {
        link->SetArguments(arguments_.c_str());
    }
    if (!iconPath.empty()) {
        link->SetIconLocation(iconPath.c_str(), iconIndex);
    }
    return SUCCEEDED(file->Save(ToWide(fileName).c_str(), TRUE));
}
