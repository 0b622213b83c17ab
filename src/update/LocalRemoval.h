#pragma once
// Removing what the client placed: a file, and a folder once it is empty.

#include <string>

// Removes a file; true when it is gone (or was never there).
bool RemoveLocalFile(const std::string& path);

// Removes a folder when it is empty; false when it holds anything or cannot be removed.
bool RemoveEmptyFolder(const std::string& path);
