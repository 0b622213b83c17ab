#pragma once
// POSIX only: a program run on a pseudo-terminal, as a user at a terminal runs it: the
// test waits for what it writes and types answers, including an end of input (Ctrl-D).

#include "ChildProcess.h"

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

class TerminalSession {
public:
    // Starts argv[0] (a path) on a new terminal, with this process's environment and the
    // overrides applied. started() tells whether it runs.
    TerminalSession(const std::vector<std::string>& argv, const EnvironmentOverrides& environment);
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;
    // Kills the program when it still runs.
    ~TerminalSession();

    bool started() const { return pid_ > 0; }

    // Reads what the program writes until text appears after the last match (true) or the
    // limit passes or the program's side closes (false).
    bool waitFor(const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(15));

    // Types the bytes; "\x04" at the start of a line is an end of input.
    void type(const std::string& bytes);

    // Reads until the program ends and answers its exit code; -1 when it was killed or
    // did not end within the limit (it is killed then).
    int finish(std::chrono::milliseconds limit = std::chrono::seconds(30));

    // Everything the terminal showed so far (the program's output and the echo).
    const std::string& screen() const { return screen_; }

private:
    // Reads once, waiting at most until the deadline; false when nothing more can come.
    bool readSome(std::chrono::steady_clock::time_point deadline);

    pid_t pid_ = -1;
    int master_ = -1;
    std::string screen_;
    std::size_t matched_ = 0;
};
