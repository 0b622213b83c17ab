// POSIX side of JobgateSites.h.
#include "JobgateSites.h"

namespace {

const std::vector<std::string> kApacheModules = {"env", "proxy", "proxy_fcgi", "xsendfile"};

// The example configuration file with every occurrence of each "from" replaced.
std::string Example(const std::string& name, const std::vector<std::pair<std::string, std::string>>& replacements)
{
    std::string text = ReadFileBytes(std::string(BRENHOLD_SERVER_CONFIG_DIR) + "/" + name);
    for (const auto& [from, to] : replacements) {
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    }
    return text;
}

} // namespace

std::string SiteName(const SiteSetup& setup)
{
    const char* kinds[] = {"LighttpdCgi", "LighttpdFastCgi", "NginxFastCgi", "ApacheFastCgi"};
    return std::string(kinds[static_cast<int>(setup.kind)]) +
           (setup.webServerSendsFiles ? "_ByWebServer" : "_ByJobgate");
}

void PrintTo(const SiteSetup& setup, std::ostream* out)
{
    *out << SiteName(setup);
}

std::vector<SiteSetup> AllSiteSetups()
{
    std::vector<SiteSetup> setups;
    for (const SiteKind kind :
         {SiteKind::LighttpdCgi, SiteKind::LighttpdFastCgi, SiteKind::NginxFastCgi, SiteKind::ApacheFastCgi})
        for (const bool byWebServer : {true, false})
            setups.push_back({kind, byWebServer});
    return setups;
}

bool JobgateSite::available(SiteKind kind)
{
    switch (kind) {
    case SiteKind::NginxFastCgi:
        return NginxServer::installed();
    case SiteKind::ApacheFastCgi:
        return ApacheServer::installed(kApacheModules);
    default:
        return true;
    }
}

std::string NginxJobgateLocations(const std::string& root, const std::string& pass, bool accel)
{
    return Example("nginx-jobgate-fastcgi.conf",
                   {{"/srv/jobgate/repo", root},
                    {"fastcgi_pass 127.0.0.1:9000;", "fastcgi_pass " + pass + ";"},
                    {"include fastcgi_params;", "include /etc/nginx/fastcgi_params;"},
                    {"fastcgi_param JOBGATE_ACCEL_REDIRECT", accel ? "fastcgi_param JOBGATE_ACCEL_REDIRECT"
                                                                    : "# fastcgi_param JOBGATE_ACCEL_REDIRECT"}});
}

JobgateSite::JobgateSite(const SiteSetup& setup, const std::string& root)
{
    const bool byWebServer = setup.webServerSendsFiles;
    switch (setup.kind) {
    case SiteKind::LighttpdCgi:
    case SiteKind::LighttpdFastCgi:
        lighttpd_ = std::make_unique<LighttpdServer>(root, byWebServer, setup.kind == SiteKind::LighttpdFastCgi);
        hostPort_ = lighttpd_->hostPort();
        break;
    case SiteKind::NginxFastCgi:
        // nginx's workers serve as another user, who may not connect to a unix socket of
        // the test's: the back end listens on a loopback port.
        backend_ = std::make_unique<JobgateFastCgiServer>(EnvironmentOverrides{},
                                                          JobgateFastCgiServer::Socket::Tcp);
        nginx_ = std::make_unique<NginxServer>("", NginxJobgateLocations(root, backend_->address(), byWebServer));
        hostPort_ = nginx_->hostPort();
        break;
    case SiteKind::ApacheFastCgi:
        backend_ = std::make_unique<JobgateFastCgiServer>(EnvironmentOverrides{},
                                                          JobgateFastCgiServer::Socket::Tcp);
        apache_ = std::make_unique<ApacheServer>(
            kApacheModules,
            Example("apache-jobgate-fastcgi.conf",
                    {{"/srv/jobgate/repo", root},
                     {"127.0.0.1:9000", backend_->address()},
                     {"JOBGATE_SENDFILE raw", byWebServer ? "JOBGATE_SENDFILE raw" : "JOBGATE_SENDFILE 0"},
                     {"SetEnv ap_trust_cgilike_cl 1",
                      setup.apacheTrustsScriptLength ? "SetEnv ap_trust_cgilike_cl 1" : ""}}));
        hostPort_ = apache_->hostPort();
        break;
    }
}

bool JobgateSite::running() const
{
    if (lighttpd_)
        return lighttpd_->running();
    if (!backend_->running())
        return false;
    return nginx_ ? nginx_->running() : apache_->running();
}

std::string JobgateSite::errorLog() const
{
    if (nginx_)
        return nginx_->errorLog();
    if (apache_)
        return apache_->errorLog();
    return {};
}
