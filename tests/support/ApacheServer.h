#pragma once
// POSIX only: Apache httpd for a test (see TestWebServer), one process in the foreground
// (-X), with its pid file, logs and run-time files in its folder.

#include "TestWebServer.h"

#include <string>
#include <vector>

class ApacheServer : public TestWebServer {
public:
    // Whether Apache and the modules are installed (names as "proxy_fcgi").
    static bool installed(const std::vector<std::string>& modules);

    // Loads the modules (besides the event MPM and authz_core) and adds directives.
    ApacheServer(const std::vector<std::string>& modules, const std::string& directives);
};
