#pragma once
// The product's entry in the system's list of installed programs, and the copy of the
// client it names, which the customer's "uninstall" starts. Windows keeps the entry per
// user below HKEY_CURRENT_USER; the Linux client has no such list and keeps neither.

#include "update/RunLog.h"

#include <cstdint>
#include <string>

// The key of the product's entry below HKEY_CURRENT_USER.
std::string UninstallEntryKey(const std::string& product);

// The client's copy in a main directory, in Windows notation: DIR\.brenhold\Brenhold.exe.
std::string UninstallerCopyPath(const std::string& mainDirectory);

// The command line that removes the product with the copy: quoted program path,
// "--uninstall PRODUCT", and " --quiet" for the unattended one.
std::string UninstallCommand(const std::string& copyPath, const std::string& product, bool quiet);

// After a run that installed or replaced the product's program: keeps a copy of the
// running client in the main directory's state folder and writes the entry (display
// name, version, publisher, icon, location, size of the recorded files, the two commands).
// Problems go to the log and standard error; false when the entry could not be written.
bool RegisterUninstallEntry(const std::string& product, const std::string& version,
                            const std::string& mainDirectory, const std::string& programPath, RunLog& log);

// Removes the product's entry; true when it is gone (or was never there).
bool RemoveUninstallEntry(const std::string& product);
