#pragma once
// Where a first installation may go: a directory the user can write, and the per-user
// folder for programs that is proposed when the chosen one cannot be written.

#include <string>

// Makes directory (every missing level; in local notation) and a file in it, then removes
// the file: true when all of that worked. What was made of the directory stays.
bool CanCreateFilesIn(const std::string& directory);

// The user's own folder for programs followed by product, in the program's texts: on
// Windows the known folder UserProgramFiles (%LOCALAPPDATA%\Programs\PRODUCT), elsewhere
// ${XDG_DATA_HOME:-~/.local/share}/PRODUCT. The folder (not the product's directory) is
// made on Windows when missing. Empty when that folder is not known.
std::string PerUserProgramDirectory(const std::string& product);
