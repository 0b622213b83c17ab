#pragma once
// The paths of the user's special folders that shortcuts are placed in.

#include <string>

// Folder kinds, numbered as the Windows shell numbers its special folders.
inline constexpr int kDesktopFolder = 0;  // the user's desktop
inline constexpr int kProgramsFolder = 2; // the programs folder of the user's start menu

// True when the folder's file-system path was found; path then holds it followed by one
// separator ("\" on Windows, "/" elsewhere). On failure path is left as it was.
bool GetSpecialFolderPath(int folder, std::string& path);
