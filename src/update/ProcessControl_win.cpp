// Windows side of update/ProcessControl.h.
#include "update/ProcessControl.h"

#include <windows.h>

#include <cstdio>
#include <direct.h>
#include <iostream>
#include <process.h>

void ShowWaitCursor()
{
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
}

bool ChangeDirectory(const std::string& path)
{
    return !path.empty() && _chdir(path.c_str()) == 0;
}

void StartProgramInPlace(const std::string& path)
{
    std::cout.flush();
    std::fflush(nullptr);
    _execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
    std::cerr << "Cannot start \"" << path << "\"" << std::endl;
}
