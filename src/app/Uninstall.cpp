#include "app/Uninstall.h"

#include "app/AppNames.h"
#include "app/ExitCodes.h"
#include "app/ListingSerialStore.h"
#include "net/Diagnostic.h"
#include "shell/Shortcut.h"
#include "shell/SpecialFolder.h"
#include "text/FormatString.h"
#include "text/UserTexts.h"
#include "update/InstallRecord.h"
#include "update/LocalPath.h"
#include "update/LocalRemoval.h"
#include "update/PlacementPaths.h"
#include "update/ProcessControl.h"
#include "update/StateFolder.h"

namespace {

void Report(RunLog& log, const std::string& line)
{
    log.write(line);
    WriteDiagnostic(line);
}

// The main directory without separators at its end ("/" and "\" both separate).
std::string WithoutTrailingSeparator(std::string directory)
{
    while (directory.size() > 1 && (directory.back() == '/' || directory.back() == '\\'))
        directory.pop_back();
    return directory;
}

// Whether path lies inside folder, as the platform compares directories.
bool LiesInside(const std::string& path, const std::string& folder)
{
    const std::string native = DirectoryOf(folder + "/x");
    for (std::string directory = DirectoryOf(path); !directory.empty();) {
        if (SameDirectory(directory, native))
            return true;
        const std::string up = DirectoryOf(directory);
        if (up == directory)
            break;
        directory = up;
    }
    return false;
}

// Removes the product's shortcut from the folder when it leads into the main directory;
// a shortcut of that name to anything else is not the client's.
void RemoveProductShortcut(const std::string& product, int folder, const std::string& mainDirectory,
                           RunLog& log)
{
    const char* where = folder == kDesktopFolder ? "desktop" : "programs folder";
    if (!ShortcutExists(product, folder))
        return;
    std::string target;
    std::string arguments;
    std::string description;
    const std::int32_t result = ReadShortcut(product, folder, nullptr, target, arguments, description);
    if (result != 0 || !LiesInside(target, mainDirectory)) {
        log.write(std::string("kept the shortcut in the ") + where + ": it does not lead into " +
                  mainDirectory);
        return;
    }
    if (RemoveShortcut(product, folder))
        log.write(std::string("removed the shortcut in the ") + where);
    else
        Report(log, std::string("cannot remove the shortcut in the ") + where);
}

// Removes the recorded files below the current directory (the main directory). Answers
// the record of the files that stay.
InstallRecord RemoveRecordedFiles(RunLog& log)
{
    InstallRecord left;
    const InstallRecord record = InstallRecord::Load(state::kRecord);
    // A path that is no safe listed path was never installed by the client: it is not removed.
    for (const std::string& refused : record.refused)
        Report(log, "uninstall: " + refused);
    for (const std::string& path : record.paths) {
        if (RemoveListedFile(path)) {
            log.write("removed " + path);
        } else {
            Report(log, "cannot remove " + path);
            left.paths.insert(path);
        }
    }
    return left;
}

// Removes the state folder below the current directory, all but the running copy when
// there is one; true when nothing else is left.
bool RemoveStateFolder(const std::string& copy)
{
    if (copy.empty())
        return RemoveTree(state::kFolder);
    bool onlyCopyLeft = true;
    for (const FolderEntry& entry : FolderEntries(state::kFolder)) {
        if (entry.name == copy)
            continue;
        const std::string inner = std::string(state::kFolder) + "/" + entry.name;
        if (!(entry.isFolder ? RemoveTree(inner) : RemoveLocalFile(inner)))
            onlyCopyLeft = false;
    }
    return onlyCopyLeft;
}

} // namespace

int Uninstall(const std::string& product, bool quiet, SettingsStore& settings, RunLog& log,
              const UninstallPlatform& platform)
{
    const std::string title = FormatString(texts::kUninstallTitleFormat, product.c_str());
    const std::string mainDirectory =
        WithoutTrailingSeparator(settings.readString(app::kMainDirSection, product, ""));
    if (mainDirectory.empty()) {
        Report(log, "uninstall: no main directory is stored for " + product + ", nothing to remove");
        platform.removeEntry(product);
        if (!quiet)
            platform.tell(FormatString(texts::kNotInstalledFormat, product.c_str()), title);
        return app::kExitNoDirectory;
    }
    if (!quiet && !platform.confirm(FormatString(texts::kUninstallQuestionFormat, product.c_str()), title)) {
        log.write("uninstall: declined by the user, nothing removed");
        return app::kExitCancelled;
    }
    log.write("uninstall: removing " + product + " from " + mainDirectory);

    const std::string localDirectory = LocalPath(mainDirectory);
    const std::string copy = platform.runningCopy(mainDirectory);
    std::vector<std::string> ownFiles;
    if (ChangeDirectory(localDirectory)) {
        const InstallRecord left = RemoveRecordedFiles(log);
        if (!left.paths.empty()) {
            left.save(state::kRecord);
            Report(log,
                   "uninstall: " + std::to_string(left.paths.size()) +
                       " recorded files stay; the settings, shortcuts and entry are kept for another try");
            if (!quiet)
                platform.tell(FormatString(texts::kUninstallIncompleteFormat, product.c_str()), title);
            return app::kExitFilesFailed;
        }
        if (!RemoveStateFolder(copy))
            Report(log, std::string("cannot remove everything in ") + state::kFolder);
        for (const FolderEntry& entry : FolderEntries(".")) {
            if (entry.name != state::kFolder)
                ownFiles.push_back(entry.name);
        }
        // Out of the main directory, which can then be removed.
        ChangeDirectory(DirectoryOf(localDirectory) + "/");
        if (ownFiles.empty() && copy.empty() && RemoveEmptyFolder(localDirectory))
            log.write("removed the main directory " + mainDirectory);
    } else {
        Report(log,
               "uninstall: the main directory " + mainDirectory + " cannot be entered; no file is removed");
    }

    RemoveProductShortcut(product, kDesktopFolder, mainDirectory, log);
    RemoveProductShortcut(product, kProgramsFolder, mainDirectory, log);
    if (!settings.removeEntry(app::kMainDirSection, product) ||
        !settings.removeEntry(ListingSerialStore::kSection, product) ||
        !settings.removeEntry(ListingSerialStore::kDigestSection, product))
        Report(log, "uninstall: cannot remove the settings of " + product);
    if (!platform.removeEntry(product))
        Report(log, "uninstall: cannot remove the uninstall entry of " + product);
    if (!copy.empty() && !platform.removeAfterExit(mainDirectory))
        Report(log, "uninstall: cannot arrange the removal of the running copy in " + mainDirectory);

    if (!ownFiles.empty()) {
        log.write("uninstall: " + std::to_string(ownFiles.size()) +
                  " entries the client did not install stay in " + mainDirectory);
        // The folder in the platform's notation, as the user knows it.
        const std::string shown = DirectoryOf(mainDirectory + "/x");
        if (!quiet)
            platform.tell(FormatString(texts::kOwnFilesKeptFormat, shown.c_str()), title);
    }
    log.write("uninstall: " + product + " removed");
    return app::kExitDone;
}
