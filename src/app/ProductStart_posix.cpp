// POSIX side of ProductStart.h: a child process that becomes the product.
#include "app/ProductStart.h"

#include "update/LocalPath.h"
#include "update/ProcessControl.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>

void StartProductBeside(const std::string& mainDirectory, const std::string& programPath)
{
    std::cout.flush();
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        std::cerr << "Cannot start \"" << programPath << "\": no process" << std::endl;
        return;
    }
    if (child == 0) {
        if (ChangeDirectory(LocalPath(mainDirectory)))
            StartProgramInPlace(LocalPath(programPath));
        std::_Exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}
