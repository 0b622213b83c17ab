// Prints the target of the shortcut NAME in special folder KIND (0 desktop, 2 programs),
// for the end-to-end script; with --all, "TARGET|ARGUMENTS|WORKING DIRECTORY|ICON,INDEX" as
// the shell link holds them. Exit code 1 when there is none or it cannot be read.
//
//   shortcut_probe NAME KIND [--all]
#include "shell/ComPtr.h"
#include "shell/Shortcut.h"
#include "shell/SpecialFolder.h"

#include <windows.h>

#include <objidl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The working directory and icon location of the .lnk file, read without resolving it.
bool ReadPlaceAndIcon(const std::string& name, int kind, std::string& workingDirectory, std::string& icon)
{
    std::string folder;
    if (!GetSpecialFolderPath(kind, folder))
        return false;
    const std::string file = folder + name + ".lnk";
    std::wstring wide(file.begin(), file.end());
    CoInitialize(nullptr);
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> persist;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.putVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, persist.putVoid())) ||
        FAILED(persist->Load(wide.c_str(), STGM_READ)))
        return false;
    char buffer[MAX_PATH] = {};
    int index = 0;
    if (FAILED(link->GetWorkingDirectory(buffer, MAX_PATH)))
        return false;
    workingDirectory = buffer;
    buffer[0] = '\0';
    if (FAILED(link->GetIconLocation(buffer, MAX_PATH, &index)))
        return false;
    icon = std::string(buffer) + "," + std::to_string(index);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const bool all = argc == 4 && std::string(argv[3]) == "--all";
    if (argc != 3 && !all) {
        std::fputs("usage: shortcut_probe NAME KIND [--all]\n", stderr);
        return 2;
    }
    const std::string name = argv[1];
    const int kind = std::atoi(argv[2]);
    std::string target, arguments, description, workingDirectory, icon;
    if (!ShortcutExists(name, kind) || ReadShortcut(name, kind, nullptr, target, arguments, description) != 0)
        return 1;
    if (all) {
        if (!ReadPlaceAndIcon(name, kind, workingDirectory, icon))
            return 1;
        target += "|" + arguments + "|" + workingDirectory + "|" + icon;
    }
    std::printf("%s\n", target.c_str());
    return 0;
}
