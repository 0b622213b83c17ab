// POSIX side of LighttpdServer.h.
#include "LighttpdServer.h"

#include <cstdio>

namespace {

constexpr int kAttempts = 5;

} // namespace

LighttpdServer::LighttpdServer(const std::string& root, bool sendfile, bool fastcgi, const LighttpdTls& tls)
    : tls_(tls)
{
    for (int attempt = 0; attempt < kAttempts && !start(root, sendfile, fastcgi); ++attempt) {
    }
    if (!running())
        std::fprintf(stderr, "LighttpdServer: could not start scripts/serve for %s\n", root.c_str());
}

bool LighttpdServer::start(const std::string& root, bool sendfile, bool fastcgi)
{
    const int port = FreeLoopbackPort();
    if (port == 0)
        return false;
    std::vector<std::string> arguments = {BRENHOLD_SERVE_SCRIPT};
    if (fastcgi)
        arguments.push_back("--fastcgi");
    if (!tls_.certFile.empty())
        arguments.push_back("--tls");
    arguments.push_back(root);
    arguments.push_back("127.0.0.1:" + std::to_string(port));
    if (!process_.start(arguments,
                        {{"JOBGATE_BIN", BRENHOLD_JOBGATE_BIN},
                         {"JOBGATE_SENDFILE", sendfile ? "1" : "0"},
                         {"TLS_CERT", tls_.certFile},
                         {"TLS_KEY", tls_.keyFile},
                         {"TLS_PROTOCOL", tls_.protocol}},
                        [port] { return LoopbackPortAnswers(port); }))
        return false;
    port_ = port;
    return true;
}

void LighttpdServer::stop()
{
    process_.stop();
}
