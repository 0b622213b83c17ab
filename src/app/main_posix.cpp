// POSIX side of the program's entry: the Linux client.
#include "app/CommandLine.h"
#include "app/SetupApplication.h"
#include "app/StartupArguments.h"

#include <iostream>

int main(int argc, char** argv)
{
    // The install prompt reads on after an end of input on a terminal (Ctrl-D, then the
    // answer to the cancel question); C stdio would keep reporting that end for good.
    std::ios::sync_with_stdio(false);
    SetupApplication application(ParseArgumentWords(ArgumentWords(argc, argv)),
                                 ArgumentsFromArgv(argc, argv));
    application.initialize();
    return application.exitCode();
}
