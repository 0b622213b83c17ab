// Windows side of the program's entry: Brenhold.exe.
#include "app/DllSearch.h"
#include "app/SetupApplication.h"
#include "app/StartupArguments.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearchToSystem();
    SetupApplication application(ArgumentsAfterProgramPath(GetCommandLineA()));
    application.initialize();
    return application.exitCode();
}
