#pragma once
// POSIX only: jobgate as a FastCGI server on a socket of its own (jobgate --fastcgi), for
// a test: a unix socket in a folder of its own or a free loopback port. Stopped when the
// object goes.

#include "ServerProcess.h"
#include "TempDir.h"

#include <string>

class JobgateFastCgiServer {
public:
    enum class Socket { Unix, Tcp };

    // environment: the process's variables (JOBGATE_ROOT, for example).
    explicit JobgateFastCgiServer(const EnvironmentOverrides& environment = {}, Socket socket = Socket::Unix);
    JobgateFastCgiServer(const JobgateFastCgiServer&) = delete;
    JobgateFastCgiServer& operator=(const JobgateFastCgiServer&) = delete;

    bool running() const { return process_.running(); }
    pid_t pid() const { return process_.pid(); }

    // What jobgate --fastcgi was given: "127.0.0.1:PORT" or the socket's path.
    const std::string& address() const { return address_; }

    // What the server wrote on standard error since the last call.
    std::string newErrors();

    // Stops the server as a service manager does (SIGTERM); its exit code.
    int stop() { return process_.stop(); }

private:
    TempDir folder_;
    ServerProcess process_;
    std::string address_;
    std::size_t errorsRead_ = 0;
};
