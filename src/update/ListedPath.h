#pragma once
// Which listed paths the update run may write: only those that stay inside the main
// directory on every platform the client runs on.

#include <string>

// Empty when path is a safe relative file path: "/" separated, optionally opened by "./",
// every segment a plain name (not empty, not "." or "..", no backslash, no ":" or control
// character, no trailing dot or blank, no Windows device name such as CON or COM1.txt), and
// not inside the client's state folder .brenhold (in any letter case, or by a short name of
// the form BRENHO~N that Windows may give it).
// Otherwise a short English reason for the refusal.
std::string UnsafeListedPathReason(const std::string& path);

// Empty when no segment of a safe listed path is taken by the file system below the current
// directory as the short (8.3) name of an existing entry with another long name, which could
// lead into the state folder or make two listed paths one file (Windows); otherwise the reason.
std::string ShortNameReason(const std::string& path);
