#pragma once
// The directory rules of the platform that local placement relies on.

#include <string>

// Makes one directory; false when it exists already or cannot be made.
bool MakeDirectory(const std::string& path);

// The directory part of a path, cut before its last separator (empty when it has none),
// in the platform's notation: on Windows "/" is turned into "\" first.
std::string DirectoryOf(const std::string& path);

// Whether two directories named by DirectoryOf are the same one: on Windows without
// regard to letter case, as its file systems compare names; elsewhere exactly.
bool SameDirectory(const std::string& a, const std::string& b);
