#pragma once
// The application object: its initialisation is the whole life of the program. It
// starts the socket layer, reads the start-up values, asks for an installation
// directory when none is known, stores it, and runs the update view, whose update run
// ends the process.

#include "app/SocketStartup.h"

#include <string>

class SetupApplication {
public:
    // The process's exit code when the user cancels the installation.
    static constexpr int kExitCancelled = 2;

    // argumentsText: the command line after the program's own path.
    explicit SetupApplication(std::string argumentsText);

    // Does all the work; answers false on every path, after which the process ends with
    // exitCode(). In normal operation the update run ends the process before that.
    bool initialize();

    int exitCode() const { return exitCode_; }

private:
    bool runDialogSequence();

    std::string argumentsText_;
    SocketSession sockets_;
    int exitCode_ = 0;
};
