#pragma once
// The short (8.3) name the file system gives an entry of the current directory.

#include <string>

// The short name of name, when the file system gives it one other than name; else empty.
std::string ShortNameOf(const std::string& name);
