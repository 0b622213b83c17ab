#pragma once
// One key per installed file: a listed path, a path of the record and a path of the journal
// name the same file when their keys are equal. The key drops a leading "./" and, where the
// file system ignores letter case (Windows), folds the case of Windows-1252 letters.

#include <string>

// Whether this platform's file systems ignore letter case in file names.
extern const bool kPathsIgnoreCase;

// The key of a listed path on this platform.
std::string PathKey(const std::string& listedPath);

// The key of a listed path with or without folding letter case.
std::string PathKeyFolding(const std::string& listedPath, bool ignoreCase);
