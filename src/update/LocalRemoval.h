#pragma once
// Removing what the client placed: a file, and a folder once it is empty.

#include <string>
#include <vector>

// Removes a file; true when it is gone (or was never there).
bool RemoveLocalFile(const std::string& path);

// Removes a folder when it is empty; false when it holds anything or cannot be removed.
bool RemoveEmptyFolder(const std::string& path);

struct FolderEntry {
    std::string name;
    bool isFolder = false;
};

// The entries of a folder, without "." and ".."; empty when it cannot be read.
std::vector<FolderEntry> FolderEntries(const std::string& path);

// Removes a folder with everything in it, as far as it can; true when it is gone.
bool RemoveTree(const std::string& path);
