#pragma once
// Which listed paths the update run may write: only those that stay inside the main
// directory on every platform the client runs on.

#include <string>

// Empty when path is a safe relative file path: "/" separated, optionally opened by "./",
// every segment a plain name (not empty, not "." or "..", no backslash, no ":" or control
// character, no trailing dot or blank, no Windows device name such as CON or COM1.txt), and
// not inside the client's state folder .brenhold.
// Otherwise a short English reason for the refusal.
std::string UnsafeListedPathReason(const std::string& path);
