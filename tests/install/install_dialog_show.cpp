// Shows the install dialog for a product and prints its answer and the chosen directory,
// for screenshots and scripted runs. Usage: install_dialog_show [product]
#include "install/InstallChoice.h"

#include <ole2.h>
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv)
{
    OleInitialize(nullptr);
    TypedValue product(argc > 1 ? argv[1] : "Corvid");
    TypedValue directory;
    const int answer = ChooseInstallDirectory(product, directory);
    std::printf("%d %s\n", answer, directory.text.c_str());
    return 0;
}
