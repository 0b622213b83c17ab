#pragma once
// The product's entry in the system's list of installed programs. It names the copy of the
// client in the state folder (kept by the update run, see update/ClientCopy.h), which the
// customer's "uninstall" starts. Windows keeps the entry per user below HKEY_CURRENT_USER;
// the Linux client has no such list.

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

// After a run that installed or replaced the product's program: writes the entry (display
// name, version, publisher, icon, location, size of the recorded files, the two commands) for
// the copy of the client in the state folder. Problems go to the log and standard error;
// false when there is no copy or the entry could not be written.
bool RegisterUninstallEntry(const std::string& product, const std::string& version,
                            const std::string& mainDirectory, const std::string& programPath, RunLog& log);

// Removes the product's entry; true when it is gone (or was never there).
bool RemoveUninstallEntry(const std::string& product);
