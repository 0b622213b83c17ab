#pragma once
// What the update run asks of the process: the wait cursor, the current directory and
// the start of the product in its place.

#include <string>

// Shows the application's wait cursor where there is one.
void ShowWaitCursor();

// Makes path ("/" or "\" separated) the current directory; false when that fails.
bool ChangeDirectory(const std::string& path);

// Starts the program at path (relative to the current directory) with the path as its
// only argument, in place of this process. Returns only when the start failed.
void StartProgramInPlace(const std::string& path);
