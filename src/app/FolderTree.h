#pragma once
// Folders as the uninstaller and the command line need them. Paths are in the local file
// system's notation.

#include <string>
#include <vector>

// The names of the folder's entries, without "." and ".."; empty when it cannot be read.
std::vector<std::string> FolderEntries(const std::string& path);

// Removes the folder with everything in it, except keepFile, the name of a file directly
// in it that must stay (empty: none); links are removed, never followed. True when nothing
// but keepFile is left (and the folder itself is gone when nothing is).
bool RemoveFolderTree(const std::string& path, const std::string& keepFile = "");

// directory made absolute against the current directory ("/" separated on every
// platform, as the settings keep main directories); unchanged when it is absolute.
std::string AbsoluteDirectory(const std::string& directory);
