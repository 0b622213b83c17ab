#pragma once
// Putting what the update run fetched into place: directories, file time stamps and the
// shortcuts to the product.

#include <cstdint>
#include <string>

// Makes every directory of path; "/" and "\" both separate. A path that does not end
// in a separator names a file when it holds a "." anywhere (that last part is not made)
// and a directory otherwise. Directories that exist or cannot be made are passed over.
void createDirectories(const char* path);

// Gives the file both creation and modification time stamp (seconds since 1970); the
// last-access time and the attributes stay. False, with a line on stderr, when the
// times could not be set.
bool stampFile(const char* path, std::uint32_t time);

// Puts a shortcut of that name to target into the special folder of that kind (see
// shell/SpecialFolder.h). An existing shortcut into the target's own directory is kept;
// any other is replaced, and the arguments it had are kept.
void placeShortcut(std::string name, const char* target, int kind);
