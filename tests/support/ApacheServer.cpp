// POSIX side of ApacheServer.h.
#include "ApacheServer.h"

#include <unistd.h>

namespace {

constexpr const char* kApache = "/usr/sbin/apache2";
constexpr const char* kModules = "/usr/lib/apache2/modules/";

std::string ModulePath(const std::string& module)
{
    return kModules + ("mod_" + module) + ".so";
}

} // namespace

bool ApacheServer::installed(const std::vector<std::string>& modules)
{
    if (::access(kApache, X_OK) != 0)
        return false;
    for (const std::string& module : modules)
        if (::access(ModulePath(module).c_str(), R_OK) != 0)
            return false;
    return true;
}

ApacheServer::ApacheServer(const std::vector<std::string>& modules, const std::string& directives)
{
    const std::string folder = this->folder();
    std::string loads;
    for (const std::string& module : std::vector<std::string>{"mpm_event", "authz_core"})
        loads += "LoadModule " + module + "_module " + ModulePath(module) + "\n";
    for (const std::string& module : modules)
        loads += "LoadModule " + module + "_module " + ModulePath(module) + "\n";
    // Apache refuses to serve as root: started by root, it serves as www-data, which can read
    // the tests' temporary folders.
    const std::string user = ::getuid() == 0 ? "User www-data\nGroup www-data\n" : "";
    start("ApacheServer", "httpd.conf",
          [&](int port) {
              return "ServerRoot " + folder + "\n"
                     "DefaultRuntimeDir " + folder + "\n"
                     "PidFile " + folder + "/httpd.pid\n"
                     "ErrorLog " + folder + "/error.log\n"
                     "LogLevel warn\n"
                     "Listen 127.0.0.1:" + std::to_string(port) + "\n"
                     "ServerName 127.0.0.1\n"
                     "DocumentRoot " + folder + "\n" +
                     user + loads + directives + "\n";
          },
          {kApache, "-X", "-f", folder + "/httpd.conf"});
}
