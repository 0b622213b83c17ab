#pragma once
// POSIX only: a web server for a test, run from a configuration it writes into a temporary
// folder of its own, listening on a free loopback port, with its logs in that folder.
// Stopped when the object goes. ApacheServer and NginxServer say what to write and run.

#include "ServerProcess.h"
#include "TempDir.h"

#include <functional>
#include <string>
#include <vector>

class TestWebServer {
public:
    bool running() const { return process_.running(); }
    int port() const { return port_; }
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }

    // The error log, for a test's failure message.
    std::string errorLog() const { return ReadFileBytes(folder_ / "error.log"); }

    void stop() { process_.stop(); }

protected:
    TestWebServer() = default;

    // The folder the configuration may name for the server's own files.
    std::string folder() const { return folder_.str(); }

    // Writes config(port) for a free port into the folder's file configName and runs argv
    // (which names that file) until the server answers on the port; a few ports are tried.
    // When none works, a line naming the server and its error log goes to standard error.
    void start(const std::string& name, const std::string& configName,
               const std::function<std::string(int port)>& config, const std::vector<std::string>& argv);

private:
    TempDir folder_;
    ServerProcess process_;
    int port_ = 0;
};
