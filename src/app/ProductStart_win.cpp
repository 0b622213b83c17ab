// Windows side of ProductStart.h: a process of its own in the main directory.
#include "app/ProductStart.h"

#include "text/StringUtil.h"

#include <windows.h>

#include <iostream>

void StartProductBeside(const std::string& mainDirectory, const std::string& programPath)
{
    std::string directory = mainDirectory;
    ReplaceAll(directory, "/", "\\");
    std::string program = programPath;
    ReplaceAll(program, "/", "\\");
    const std::string file = directory + "\\" + program;
    std::string commandLine = programPath;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(file.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &startup, &process)) {
        std::cerr << "Cannot start \"" << programPath << "\": error " << GetLastError() << std::endl;
        return;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}
