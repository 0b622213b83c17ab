#pragma once
// POSIX only: a server program for a test, run in a process group of its own. start()
// waits until the server is ready; stop() (and the destructor) ends it and everything it
// started.

#include "ChildProcess.h"

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

class ServerProcess {
public:
    ServerProcess() = default;
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    ~ServerProcess() { stop(); }

    // Runs argv[0] (a path) with argv, this process's environment with overrides applied,
    // standard output and error appended to log (without one: output thrown away, errors
    // on this process's standard error), and waits until ready()
    // holds. False, with nothing left running, when the program ended first or ready()
    // did not hold within ten seconds.
    bool start(const std::vector<std::string>& argv, const EnvironmentOverrides& environment,
               const std::function<bool()>& ready, const std::string& log = "");

    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // SIGTERM to the program, then SIGKILL to its group after five seconds or once the
    // program has ended (its children may outlive it); waits for the program. Its exit code,
    // or -1 when it was killed or had not started.
    int stop();

private:
    pid_t pid_ = -1;
};

// A loopback port that was free a moment ago.
int FreeLoopbackPort();

// Whether something accepts connections on the loopback port.
bool LoopbackPortAnswers(int port);

// Whether something accepts connections on the unix socket at path.
bool UnixSocketAnswers(const std::string& path);
