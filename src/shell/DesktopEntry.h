#pragma once
// The text of a freedesktop desktop entry file that launches an application: written
// from, and read back into, the fields of a shortcut. Fields are Windows-1252 bytes; the
// file text is UTF-8.

#include <string>

struct DesktopEntry {
    std::string name;
    std::string target;
    std::string arguments; // a command line: words separated by blanks, "..." groups one word
    std::string workingDirectory;
    std::string description;
    std::string icon;
};

// The file text of an application entry. Exec holds the target and the argument words,
// each quoted as the desktop entry format requires; Path, Icon and Comment appear only
// when their field is not empty.
std::string FormatDesktopEntry(const DesktopEntry& entry);

// Reads name, target, arguments, working directory, description and icon from a file
// text. False, with entry unchanged, when the text has no desktop entry group with a
// command in Exec. Field codes other than "%%" are launcher placeholders and are left out.
bool ParseDesktopEntry(const std::string& text, DesktopEntry& entry);
