#pragma once
// POSIX only: Debian's tinyproxy for a test, with a configuration it writes into a
// temporary folder: listening on a free loopback port, in the foreground, allowing plain
// requests and CONNECT to any loopback port, optionally asking for Basic authentication.
// Stopped when the object goes.

#include "ServerProcess.h"
#include "TempDir.h"

#include <string>

class TinyproxyServer {
public:
    static bool installed();

    // credentials: "user:password" the proxy asks for; empty for none.
    explicit TinyproxyServer(const std::string& credentials = "");
    TinyproxyServer(const TinyproxyServer&) = delete;
    TinyproxyServer& operator=(const TinyproxyServer&) = delete;

    bool running() const { return process_.running(); }
    int port() const { return port_; }

    // Its log: a line for every request, "CONNECT ..." for every tunnel.
    std::string log() const { return ReadFileBytes(folder_ / "tinyproxy.log"); }

private:
    TempDir folder_;
    ServerProcess process_;
    int port_ = 0;
};
