// POSIX side of NginxServer.h.
#include "NginxServer.h"

#include <unistd.h>

#include <cstdio>

namespace {

constexpr const char* kNginx = "/usr/sbin/nginx";
constexpr int kAttempts = 5;

} // namespace

bool NginxServer::installed()
{
    return ::access(kNginx, X_OK) == 0;
}

NginxServer::NginxServer(const std::string& httpDirectives, const std::string& serverDirectives)
{
    const std::string folder = folder_.str();
    for (int attempt = 0; attempt < kAttempts && !process_.running(); ++attempt) {
        const int port = FreeLoopbackPort();
        const std::string config = "daemon off;\n"
                                   "worker_processes 1;\n"
                                   "pid " + folder + "/nginx.pid;\n"
                                   "error_log " + folder + "/error.log warn;\n"
                                   "events { worker_connections 512; }\n"
                                   "http {\n"
                                   "  access_log " + folder + "/access.log;\n"
                                   "  client_body_temp_path " + folder + "/client-body;\n"
                                   "  fastcgi_temp_path " + folder + "/fastcgi;\n"
                                   "  proxy_temp_path " + folder + "/proxy;\n"
                                   "  uwsgi_temp_path " + folder + "/uwsgi;\n"
                                   "  scgi_temp_path " + folder + "/scgi;\n" +
                                   httpDirectives +
                                   "\n  server {\n"
                                   "    listen 127.0.0.1:" + std::to_string(port) + ";\n" +
                                   serverDirectives + "\n  }\n}\n";
        if (!WriteFileBytes(folder_ / "nginx.conf", config))
            break;
        if (process_.start({kNginx, "-p", folder, "-c", folder + "/nginx.conf", "-e", folder + "/error.log"},
                           {}, [port] { return LoopbackPortAnswers(port); }, folder + "/output.log"))
            port_ = port;
    }
    if (!process_.running())
        std::fprintf(stderr, "NginxServer: could not start nginx: %s\n", errorLog().c_str());
}
