#pragma once
// POSIX only: asks a FastCGI server one request the way a web server does (role
// responder, the variables as parameters, the body as standard input), for tests that
// compare its answers with those of the CGI program.

#include "ChildProcess.h"

#include <chrono>
#include <string>

struct FastCgiAnswer {
    bool complete = false; // the server ended the request
    std::string out;       // its standard output stream: CGI headers and body
    std::string err;       // its standard error stream
};

// address: "127.0.0.1:PORT" or a unix socket's path. Variables with an empty value are not
// sent, as in RunProcess. Every wait is bounded by limit.
FastCgiAnswer AskFastCgi(const std::string& address, const EnvironmentOverrides& variables,
                         const std::string& input, std::chrono::milliseconds limit = std::chrono::seconds(30));
