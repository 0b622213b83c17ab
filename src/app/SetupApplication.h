#pragma once
// The application object: its initialisation is the whole life of the program. It reads
// the command line and opens the run log; then it either removes a product, or starts the
// socket layer, reads the start-up values, finds the main directory (stored, given by
// --dir, or asked for), stores it, and runs the update view, whose update run ends the
// process. Exit codes: app/ExitCodes.h.

#include "app/CommandLine.h"
#include "app/RunLogFile.h"
#include "app/SocketStartup.h"

#include <memory>
#include <string>

class Updater;

class SetupApplication {
public:
    // commandLineText: the arguments as given, for the log.
    SetupApplication(CommandLine commandLine, std::string commandLineText);

    // Does all the work; answers false on every path, after which the process ends with
    // exitCode(). An update run ends the process itself before that.
    bool initialize();

    int exitCode() const { return exitCode_; }

private:
    bool runDialogSequence();
    // The update run's end: the uninstall entry, the log's last line, the exit code.
    void finishRun(const Updater& updater);
    // Tells an administrator: a line on standard error and in the log.
    void report(const std::string& line);
    void end(int exitCode);

    CommandLine commandLine_;
    std::string commandLineText_;
    std::unique_ptr<RunLogFile> log_;
    SocketSession sockets_;
    int exitCode_ = 0;
};
