#pragma once
// Expansion of a path into the names the file system stores (short 8.3 names become
// their long names, letter case as on disk).

#include <cstddef>
#include <string>

// Rebuilds the existing path with every component spelt as stored; on Windows "/"
// becomes "\" and only paths that start with a drive are rebuilt. Returns the length of
// result, or 0 when the path does not exist or cannot be expanded (result is then
// unspecified).
std::size_t ExpandLongPath(std::string path, std::string& result);
