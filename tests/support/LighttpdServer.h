#pragma once
// POSIX only: the update server for a test. Starts scripts/serve (lighttpd with jobgate)
// for a repository on a free loopback port, waits until it answers, and stops it when the
// object goes.

#include "ServerProcess.h"

#include <string>

class LighttpdServer {
public:
    // sendfile: whether lighttpd sends file bodies (X-Sendfile) or jobgate does.
    // fastcgi: jobgate as lighttpd's FastCGI back ends instead of a CGI program.
    explicit LighttpdServer(const std::string& root, bool sendfile = true, bool fastcgi = false);
    LighttpdServer(const LighttpdServer&) = delete;
    LighttpdServer& operator=(const LighttpdServer&) = delete;

    // Whether the server started and answers.
    bool running() const { return process_.running(); }

    int port() const { return port_; }
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string url() const { return "http://" + hostPort() + "/cgi-bin/jobgate.cgi"; }

    // Stops the server and waits until it has ended.
    void stop();

private:
    bool start(const std::string& root, bool sendfile, bool fastcgi);

    ServerProcess process_;
    int port_ = 0;
};
