#pragma once
// POSIX only: Apache httpd for a test, with a configuration it writes into a temporary
// folder: listening on a free loopback port, one process in the foreground (-X), with its
// pid file, logs and run-time files in that folder. Stopped when the object goes.

#include "ServerProcess.h"
#include "TempDir.h"

#include <string>
#include <vector>

class ApacheServer {
public:
    // Whether Apache and the modules are installed (names as "proxy_fcgi").
    static bool installed(const std::vector<std::string>& modules);

    // Loads the modules (besides the event MPM and authz_core) and adds directives.
    ApacheServer(const std::vector<std::string>& modules, const std::string& directives);
    ApacheServer(const ApacheServer&) = delete;
    ApacheServer& operator=(const ApacheServer&) = delete;

    bool running() const { return process_.running(); }
    int port() const { return port_; }
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }

    // The error log, for a test's failure message.
    std::string errorLog() const { return ReadFileBytes(folder_ / "error.log"); }

    void stop() { process_.stop(); }

private:
    TempDir folder_;
    ServerProcess process_;
    int port_ = 0;
};
