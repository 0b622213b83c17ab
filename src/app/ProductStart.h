#pragma once
// Starting the installed product after a run that did not bring it up to date, so that
// the client's own exit code still tells the caller how the run ended.

#include <string>

// Starts programPath ("./" and the file, relative to mainDirectory) in mainDirectory as a
// process of its own, with the path as its only argument, as the update run starts it in
// place. On Windows the client ends beside it at once, as after a start in place; on
// POSIX it waits for the product, whose terminal it would otherwise share. A start that
// fails is told on standard error.
void StartProductBeside(const std::string& mainDirectory, const std::string& programPath);
