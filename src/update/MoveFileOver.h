#pragma once
// Replacing a file by a completely written one.

#include <string>

// Renames from to to, replacing an existing file at to; false when that fails, in which
// case both files stay as they were.
bool MoveFileOver(const std::string& from, const std::string& to);
