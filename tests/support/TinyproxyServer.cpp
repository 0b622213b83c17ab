// POSIX side of TinyproxyServer.h.
#include "TinyproxyServer.h"

#include <unistd.h>

#include <cstdio>

namespace {

constexpr const char* kTinyproxy = "/usr/bin/tinyproxy";
constexpr int kAttempts = 5;

} // namespace

bool TinyproxyServer::installed()
{
    return ::access(kTinyproxy, X_OK) == 0;
}

TinyproxyServer::TinyproxyServer(const std::string& credentials)
{
    std::string auth;
    if (!credentials.empty()) {
        const std::size_t colon = credentials.find(':');
        auth = "BasicAuth " + credentials.substr(0, colon) + " " + credentials.substr(colon + 1) + "\n";
    }
    for (int attempt = 0; attempt < kAttempts && !process_.running(); ++attempt) {
        const int port = FreeLoopbackPort();
        // Without ConnectPort lines, CONNECT is allowed to every port.
        const std::string config =
            "Port " + std::to_string(port) +
            "\nListen 127.0.0.1\nTimeout 30\nAllow 127.0.0.1\nLogLevel Connect\nLogFile \"" +
            (folder_ / "tinyproxy.log") + "\"\nPidFile \"" + (folder_ / "tinyproxy.pid") +
            "\"\nMaxClients 32\n" + auth;
        const std::string file = folder_ / "tinyproxy.conf";
        if (!WriteFileBytes(file, config))
            break;
        if (process_.start({kTinyproxy, "-d", "-c", file}, {}, [port] { return LoopbackPortAnswers(port); }))
            port_ = port;
    }
    if (!process_.running())
        std::fprintf(stderr, "TinyproxyServer: tinyproxy did not start\n");
}
