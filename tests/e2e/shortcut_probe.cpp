// Prints the target of the shortcut NAME in special folder KIND (0 desktop, 2 programs),
// for the end-to-end script; with --arguments, "TARGET|ARGUMENTS". Exit code 1 when there is
// none or it cannot be read.
//
//   shortcut_probe NAME KIND [--arguments]
#include "shell/Shortcut.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    const bool withArguments = argc == 4 && std::string(argv[3]) == "--arguments";
    if (argc != 3 && !withArguments) {
        std::fputs("usage: shortcut_probe NAME KIND [--arguments]\n", stderr);
        return 2;
    }
    const std::string name = argv[1];
    const int kind = std::atoi(argv[2]);
    std::string target, arguments, description;
    if (!ShortcutExists(name, kind) || ReadShortcut(name, kind, nullptr, target, arguments, description) != 0)
        return 1;
    if (withArguments)
        target += "|" + arguments;
    std::printf("%s\n", target.c_str());
    return 0;
}
