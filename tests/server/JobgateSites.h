#pragma once
// POSIX only: jobgate served for a test by each kind of web server the project has a
// configuration for, so that tests ask every kind the same questions. The nginx and Apache
// configurations are the examples in server/, with the test's repository and back end
// written in.

#include "ApacheServer.h"
#include "JobgateFastCgiServer.h"
#include "LighttpdServer.h"
#include "NginxServer.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

enum class SiteKind { LighttpdCgi, LighttpdFastCgi, NginxFastCgi, ApacheFastCgi };

struct SiteSetup {
    SiteKind kind;
    bool webServerSendsFiles; // X-Sendfile or X-Accel-Redirect; otherwise jobgate sends them
    // Apache: the example's ap_trust_cgilike_cl; without it Apache answers chunked.
    bool apacheTrustsScriptLength = true;
};

// A name for test output, such as "NginxFastCgi_ByWebServer".
std::string SiteName(const SiteSetup& setup);

// For GoogleTest's messages.
void PrintTo(const SiteSetup& setup, std::ostream* out);

// Every kind in both ways of sending files.
std::vector<SiteSetup> AllSiteSetups();

class JobgateSite {
public:
    // Whether the web server of this kind is installed.
    static bool available(SiteKind kind);

    JobgateSite(const SiteSetup& setup, const std::string& root);

    bool running() const;
    std::string url() const { return "http://" + hostPort_ + "/cgi-bin/jobgate.cgi"; }
    const std::string& hostPort() const { return hostPort_; }
    // The web server's error log, for failure messages.
    std::string errorLog() const;

private:
    std::unique_ptr<LighttpdServer> lighttpd_;
    std::unique_ptr<JobgateFastCgiServer> backend_;
    std::unique_ptr<NginxServer> nginx_;
    std::unique_ptr<ApacheServer> apache_;
    std::string hostPort_;
};

// The locations of server/nginx-jobgate-fastcgi.conf for the repository at root, passing
// requests to pass ("127.0.0.1:PORT" or the name of an upstream block); without accel,
// jobgate sends file bodies itself.
std::string NginxJobgateLocations(const std::string& root, const std::string& pass, bool accel);
