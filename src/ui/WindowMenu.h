#pragma once
// Entries of a window's window menu (the system menu), and the string resources their
// texts come from.

#include <windows.h>

#include <string>

// Appends a separator and an entry with text and command to menu. An empty text, or no
// menu, leaves everything unchanged.
void AppendWindowMenuEntry(HMENU menu, const std::string& text, UINT command);

// The string resource id of the program's module; empty when there is none.
std::string LoadResourceString(UINT id);
