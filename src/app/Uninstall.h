#pragma once
// Removing a product from this user's machine: exactly the files of the record of
// installed files, the folders that became empty, the client's state folder, both
// shortcuts, the settings values "MainDirPath\PRODUCT" and "ListingSerial\PRODUCT" and the
// uninstall entry. Files the customer made in the main directory stay, and with them the
// main directory.

#include "app/SettingsStore.h"
#include "update/RunLog.h"

#include <functional>
#include <string>

// What the removal needs from the platform; tests put fakes in its place.
struct UninstallPlatform {
    // Asks the user; true for yes.
    std::function<bool(const std::string& question, const std::string& title)> confirm;
    // Tells the user.
    std::function<void(const std::string& text, const std::string& title)> tell;
    // Removes the product's uninstall entry; true when it is gone.
    std::function<bool(const std::string& product)> removeEntry;
    // The name of the running program file when it is the copy in the main directory's
    // state folder (which cannot be removed while it runs); empty otherwise.
    std::function<std::string(const std::string& mainDirectory)> runningCopy;
    // Arranges that the running copy, and then the state folder and the main directory
    // when they are empty, are removed after this process has ended.
    std::function<bool(const std::string& mainDirectory)> removeAfterExit;
};

// The platform's own: message boxes on Windows, the terminal elsewhere.
UninstallPlatform SystemUninstallPlatform();

// Removes the product. quiet: no question and no message. Answers the exit code: done;
// cancelled when the question was answered no (nothing changed); no directory when no
// main directory is stored for the product; files failed when a recorded file stays
// (then the record keeps what is left, and the settings, the shortcuts and the entry
// stay, so that the removal can be repeated).
int Uninstall(const std::string& product, bool quiet, SettingsStore& settings, RunLog& log,
              const UninstallPlatform& platform);

// The part left to the copy the Windows uninstaller starts from the temp folder: waits
// for process (its decimal id) to end, then removes the copy of the client in
// mainDirectory's state folder, the state folder and the main directory when they are
// empty. Answers the exit code.
int FinishRemoval(const std::string& process, const std::string& mainDirectory);
