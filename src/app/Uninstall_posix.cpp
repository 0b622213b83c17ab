// POSIX side of Uninstall.h: questions and messages on the terminal; the Linux client
// runs from wherever it was installed and keeps no copy of itself, so nothing is left
// for after its end.
#include "app/Uninstall.h"

#include "app/ExitCodes.h"
#include "app/UninstallEntry.h"
#include "install/TerminalQuestion.h"
#include "text/Codepage.h"

#include <iostream>

UninstallPlatform SystemUninstallPlatform()
{
    UninstallPlatform platform;
    platform.confirm = [](const std::string& question, const std::string&) {
        return AskYesNo(std::cin, std::cout, question);
    };
    platform.tell = [](const std::string& text, const std::string&) {
        std::cout << Utf8FromCp1252(text) << std::endl;
    };
    platform.removeEntry = RemoveUninstallEntry;
    platform.runningCopy = [](const std::string&) { return std::string(); };
    platform.removeAfterExit = [](const std::string&) { return true; };
    return platform;
}

int FinishRemoval(const std::string&, const std::string&)
{
    std::cerr << "--finish-removal is used by the Windows uninstaller only" << std::endl;
    return app::kExitCommandLine;
}
