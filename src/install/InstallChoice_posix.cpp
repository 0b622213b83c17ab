// POSIX side of InstallChoice.h: the terminal prompt.
#include "install/InstallChoice.h"

#include "install/InstallPrompt.h"
#include "install/InstallTarget.h"

#include <cstdlib>
#include <iostream>

int ChooseInstallDirectory(const TypedValue& product, TypedValue& directory)
{
    const char* home = std::getenv("HOME");
    InstallPrompt prompt(std::cin, std::cout, home != nullptr ? home : "");
    prompt.productName = product;
    prompt.perUserDirectory = PerUserProgramDirectory(product.text);
    if (prompt.run() != kInstallOk)
        return kInstallCancel;
    directory = prompt.chosenDirectory;
    return kInstallOk;
}
