// POSIX side of NginxServer.h.
#include "NginxServer.h"

#include <unistd.h>

namespace {

constexpr const char* kNginx = "/usr/sbin/nginx";

} // namespace

bool NginxServer::installed()
{
    return ::access(kNginx, X_OK) == 0;
}

NginxServer::NginxServer(const std::string& httpDirectives, const std::string& serverDirectives)
{
    const std::string folder = this->folder();
    start("NginxServer", "nginx.conf",
          [&](int port) {
              return "daemon off;\n"
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
          },
          {kNginx, "-p", folder, "-c", folder + "/nginx.conf", "-e", folder + "/error.log"});
}
