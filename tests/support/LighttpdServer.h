#pragma once
// POSIX only: the update server for a test. Starts scripts/serve (lighttpd with jobgate)
// for a repository on a free loopback port, waits until it answers, and stops it when the
// object goes.

#include "ServerProcess.h"

#include <string>

// HTTPS for the server (scripts/serve --tls): its certificate chain and key, and one
// protocol to serve alone (empty: TLS 1.2 and later).
struct LighttpdTls {
    std::string certFile;
    std::string keyFile;
    std::string protocol;
};

class LighttpdServer {
public:
    // sendfile: whether lighttpd sends file bodies (X-Sendfile) or jobgate does.
    // fastcgi: jobgate as lighttpd's FastCGI back ends instead of a CGI program.
    // tls: when its certificate is set, the server answers HTTPS only.
    explicit LighttpdServer(const std::string& root, bool sendfile = true, bool fastcgi = false,
                            const LighttpdTls& tls = {});
    LighttpdServer(const LighttpdServer&) = delete;
    LighttpdServer& operator=(const LighttpdServer&) = delete;

    // Whether the server started and answers.
    bool running() const { return process_.running(); }

    int port() const { return port_; }
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    // The address as BRENHOLD_UPDATE_SERVER takes it: "https://127.0.0.1:PORT" over TLS.
    std::string address() const { return (tls_.certFile.empty() ? "" : "https://") + hostPort(); }
    std::string url() const
    {
        return (tls_.certFile.empty() ? "http://" : "https://") + hostPort() + "/cgi-bin/jobgate.cgi";
    }

    // Stops the server and waits until it has ended.
    void stop();

private:
    bool start(const std::string& root, bool sendfile, bool fastcgi);

    LighttpdTls tls_;
    ServerProcess process_;
    int port_ = 0;
};
