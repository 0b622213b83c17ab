#pragma once
// POSIX only: the per-user base folders of the XDG rules, and folders made below them
// private to the user, as those rules ask.

#include <string>

// The folder the environment variable names when it is an absolute path, else the home
// folder ($HOME, else the user's entry in the password database) followed by belowHome
// ("/.config"); empty when there is no home folder either.
std::string XdgBaseFolder(const char* variable, const char* belowHome);

// Makes the folder and its missing parents, each with access for the user alone. True when
// it is a folder afterwards; otherwise false with errno set by the step that failed.
bool MakePrivateFolders(const std::string& folder);
