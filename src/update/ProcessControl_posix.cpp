// POSIX side of update/ProcessControl.h.
#include "update/ProcessControl.h"

#include <cstdio>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

void ShowWaitCursor() {}

bool ChangeDirectory(const std::string& path)
{
    return !path.empty() && chdir(path.c_str()) == 0;
}

void StartProgramInPlace(const std::string& path)
{
    std::cout.flush();
    std::fflush(nullptr);
    // Downloads carry no permission bits; the product's own program must be executable.
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode))
        chmod(path.c_str(), status.st_mode | S_IXUSR | S_IXGRP | S_IXOTH);
    execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
    std::cerr << "Cannot start \"" << path << "\"" << std::endl;
}
