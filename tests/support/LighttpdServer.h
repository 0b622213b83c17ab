#pragma once
// POSIX only: the update server for a test. Starts scripts/serve (lighttpd with jobgate)
// for a repository on a free loopback port, waits until it answers, and stops it when the
// object goes.

#include <string>
#include <sys/types.h>

class LighttpdServer {
public:
    // sendfile: whether lighttpd sends file bodies (X-Sendfile) or jobgate does.
    explicit LighttpdServer(const std::string& root, bool sendfile = true);
    LighttpdServer(const LighttpdServer&) = delete;
    LighttpdServer& operator=(const LighttpdServer&) = delete;
    ~LighttpdServer();

    // Whether the server started and answers.
    bool running() const { return pid_ > 0; }

    int port() const { return port_; }
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string url() const { return "http://" + hostPort() + "/cgi-bin/jobgate.cgi"; }

    // Stops the server and waits until it has ended.
    void stop();

private:
    bool start(const std::string& root, bool sendfile);

    pid_t pid_ = -1;
    int port_ = 0;
};

// A loopback port that was free a moment ago.
int FreeLoopbackPort();

// Whether something accepts connections on the loopback port.
bool LoopbackPortAnswers(int port);
