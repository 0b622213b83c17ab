#pragma once
// POSIX only: nginx for a test, with a configuration it writes into a temporary folder:
// one server on a free loopback port, in the foreground (daemon off), with its pid file,
// logs and temporary files in that folder. Stopped when the object goes.

#include "ServerProcess.h"
#include "TempDir.h"

#include <string>

class NginxServer {
public:
    // Whether nginx is installed.
    static bool installed();

    // httpDirectives go into the http block (upstream blocks, for example), serverDirectives
    // into the server block beside its listen directive.
    NginxServer(const std::string& httpDirectives, const std::string& serverDirectives);
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

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
