// POSIX side of the program's entry: the Linux client.
#include "app/SetupApplication.h"
#include "app/StartupArguments.h"

int main(int argc, char** argv)
{
    SetupApplication application(ArgumentsFromArgv(argc, argv));
    application.initialize();
    return application.exitCode();
}
