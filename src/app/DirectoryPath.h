#pragma once
// A directory given on the command line, made absolute.

#include <string>

// directory made absolute against the current directory ("/" separated on every
// platform, as the settings keep main directories); unchanged when it is absolute or the
// current directory is unknown.
std::string AbsoluteDirectory(const std::string& directory);
