// Windows side of the program's entry: Brenhold.exe.
#include "app/CommandLine.h"
#include "app/DllSearch.h"
#include "app/SetupApplication.h"
#include "app/StartupArguments.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearchToSystem();
    const std::string arguments = ArgumentsAfterProgramPath(GetCommandLineA());
    SetupApplication application(ParseArgumentsText(arguments), arguments);
    application.initialize();
    return application.exitCode();
}
