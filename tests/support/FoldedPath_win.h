#pragma once
// Windows tests only: paths in the form Windows compares them.

#include <windows.h>

#include <string>

// Upper case with backslashes.
inline std::string Folded(std::string path)
{
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    CharUpperBuffA(path.data(), static_cast<DWORD>(path.size()));
    return path;
}
