#pragma once
// The program's command line: the product words of StartupArguments and the options that
// begin with "--" (no product name does):
//   --quiet              no window, no question, no message (unattended runs)
//   --dir DIRECTORY      the main directory of a first installation
//   --no-start           the product is not started at the end
//   --repair             every installed file is hashed against the signed listing, and
//                        what differs is fetched again
//   --uninstall PRODUCT  removes the product instead of updating it (with --quiet only)
//   --finish-removal PROCESS DIRECTORY
//                        internal (Windows): the copy the uninstaller leaves in the temp
//                        folder waits for the uninstaller to end and removes what it
//                        could not remove while it ran
// Option values are single words of the command line: on Windows quoted as its command
// line quotes ("C:\Program Files\X" or "C:\Program Files"\X), in a POSIX argument vector
// one argument each. Texts are Windows-1252.

#include "app/StartupArguments.h"

#include <optional>
#include <string>
#include <vector>

struct CommandLine {
    StartupArguments startup; // the product words; defaults when there are none
    bool quiet = false;
    bool noStart = false;
    bool repair = false;
    std::optional<std::string> directory;
    std::optional<std::string> uninstallProduct;
    std::optional<std::string> finishRemovalProcess;
    std::string finishRemovalDirectory;
    std::string error; // an English reason the command line cannot be used; empty when it can

    // The product the run is about: the one to remove, or the one to update.
    const std::string& product() const;
};

// Reads the arguments text of a Windows command line (see ArgumentsAfterProgramPath):
// product words are separated by white space without quoting, as before options existed.
CommandLine ParseArgumentsText(const std::string& argumentsText);

// Reads the words of a POSIX argument vector after argv[0], already Windows-1252. A product
// word holding white space splits there, as the joined arguments text always did.
CommandLine ParseArgumentWords(const std::vector<std::string>& words);

// The words of a POSIX argument vector after argv[0], converted from UTF-8.
std::vector<std::string> ArgumentWords(int argc, const char* const* argv);
