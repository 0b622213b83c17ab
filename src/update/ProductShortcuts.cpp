#include "update/ProductShortcuts.h"

#include "os/OutputFile.h"
#include "shell/Shortcut.h"
#include "shell/SpecialFolder.h"
#include "update/ClientCopy.h"
#include "update/LocalPath.h"
#include "update/LocalPlacement.h"
#include "update/LocalRemoval.h"
#include "update/PlacementPaths.h"
#include "update/StateFolder.h"

#include <fstream>
#include <iterator>

namespace {

// The memory of the form: the header word that asked for it, or no file.
constexpr char kFormFile[] = ".brenhold/shortcuts";
constexpr char kThroughClientText[] = "start=client\n";

StartForm FormInFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text == kThroughClientText ? StartForm::ThroughClient : StartForm::Program;
}

// The shortcut's target and arguments as it is, or false when there is none to read.
bool ReadExisting(const std::string& name, int folder, std::string& target, std::string& arguments)
{
    if (!ShortcutExists(name, folder))
        return false;
    std::string description;
    const auto result = ReadShortcut(name, folder, nullptr, target, arguments, description);
    return result >= 0 && result != kShortcutFolderMissing;
}

void PlaceThroughClient(const std::string& product, const std::string& copy, const std::string& program,
                        const std::string& arguments, int folder)
{
    std::string oldTarget;
    std::string oldArguments;
    if (ReadExisting(product, folder, oldTarget, oldArguments) &&
        SameDirectory(DirectoryOf(oldTarget), DirectoryOf(copy)) && oldArguments == arguments)
        return;
    ShellShortcut shortcut;
    shortcut.SetArguments(arguments);
    shortcut.Create(copy, product, DirectoryOf(program), folder, "", program, 0);
}

void PlaceToProgram(const std::string& product, const std::string& copy, const std::string& program,
                    int folder)
{
    // A shortcut through the copy carries the product's words as its arguments, which the
    // program form would keep: it goes first.
    std::string oldTarget;
    std::string oldArguments;
    if (ReadExisting(product, folder, oldTarget, oldArguments) &&
        SameDirectory(DirectoryOf(oldTarget), DirectoryOf(copy)))
        RemoveShortcut(product, folder);
    placeShortcut(product, program.c_str(), folder);
}

} // namespace

StartForm PlacedStartForm()
{
    return FormInFile(kFormFile);
}

StartForm PlacedStartFormIn(const std::string& mainDirectory)
{
    return FormInFile(LocalPath(mainDirectory + "/" + kFormFile));
}

void PlaceProductShortcuts(const std::string& product, const std::string& mainDirectory,
                           const std::string& programPath, StartForm form)
{
    const std::string relative = programPath.rfind("./", 0) == 0 ? programPath.substr(2) : programPath;
    const std::string program = NativePath(mainDirectory + "/" + relative);
    const std::string copy = ClientCopyTarget(mainDirectory);
    for (const int folder : {kDesktopFolder, kProgramsFolder}) {
        if (form == StartForm::ThroughClient)
            PlaceThroughClient(product, copy, program, product + " " + programPath, folder);
        else
            PlaceToProgram(product, copy, program, folder);
    }
    if (form == StartForm::ThroughClient) {
        createDirectories((std::string(state::kFolder) + "/").c_str());
        WriteFileDurably(kFormFile, kThroughClientText);
    } else {
        RemoveLocalFile(kFormFile);
    }
}
