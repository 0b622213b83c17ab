#pragma once
// The exit codes of the program, for scripts and software distribution tools. When the
// product is started in place of the process (Linux), the product's own code follows.

#include "update/Updater.h"

namespace app {

inline constexpr int kExitDone = 0;         // up to date (product started or nothing to start); removed
inline constexpr int kExitCancelled = 2;    // the user gave up, or declined the removal
inline constexpr int kExitNoDirectory = 3;  // no main directory: quiet first installation without --dir,
                                            // or removal of a product that is not installed
inline constexpr int kExitNoListing = 4;    // the server was unreachable or its listing was refused
inline constexpr int kExitFilesFailed = 5;  // some file could not be fetched; nothing was switched
inline constexpr int kExitCommandLine = 64; // the command line cannot be used

// The exit code that tells how an update run ended.
int ExitCodeFor(Updater::Outcome outcome);

} // namespace app
