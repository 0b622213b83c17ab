#pragma once
// File names as the local file system takes them. The program's texts are Windows-1252;
// Windows takes them as they are, POSIX file systems take UTF-8.

#include <string>

std::string LocalPath(const std::string& path);
