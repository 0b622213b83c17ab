#pragma once
// POSIX only: nginx for a test (see TestWebServer), one server in the foreground (daemon
// off), with its pid file, logs and temporary files in its folder.

#include "TestWebServer.h"

#include <string>

class NginxServer : public TestWebServer {
public:
    // Whether nginx is installed.
    static bool installed();

    // httpDirectives go into the http block (upstream blocks, for example), serverDirectives
    // into the server block beside its listen directive.
    NginxServer(const std::string& httpDirectives, const std::string& serverDirectives);
};
