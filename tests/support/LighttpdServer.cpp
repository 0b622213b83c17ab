// POSIX side of LighttpdServer.h.
#include "LighttpdServer.h"

#include "ChildProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int kAttempts = 5;
constexpr auto kStartLimit = std::chrono::seconds(10);
constexpr auto kStopLimit = std::chrono::seconds(5);
constexpr auto kPollInterval = std::chrono::milliseconds(20);

sockaddr_in Loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Whether the child has ended; reaps it when it has.
bool Ended(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

} // namespace

int FreeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool LoopbackPortAnswers(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const sockaddr_in address = Loopback(port);
    const bool answers = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return answers;
}

LighttpdServer::LighttpdServer(const std::string& root, bool sendfile)
{
    for (int attempt = 0; attempt < kAttempts && !start(root, sendfile); ++attempt) {
    }
    if (pid_ <= 0)
        std::fprintf(stderr, "LighttpdServer: could not start scripts/serve for %s\n", root.c_str());
}

LighttpdServer::~LighttpdServer()
{
    stop();
}

bool LighttpdServer::start(const std::string& root, bool sendfile)
{
    const int port = FreeLoopbackPort();
    if (port == 0)
        return false;
    std::vector<std::string> arguments = {BRENHOLD_SERVE_SCRIPT, root, "127.0.0.1:" + std::to_string(port)};
    std::vector<std::string> variables = MergedEnvironment(
        {{"JOBGATE_BIN", BRENHOLD_JOBGATE_BIN}, {"JOBGATE_SENDFILE", sendfile ? "1" : "0"}});
    std::vector<char*> argumentPointers = ExecPointers(arguments);
    std::vector<char*> variablePointers = ExecPointers(variables);

    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        // Its own process group, so that stopping reaches lighttpd and its CGI children.
        ::setpgid(0, 0);
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 1);
        ::execve(argumentPointers[0], argumentPointers.data(), variablePointers.data());
        ::_exit(127);
    }
    ::setpgid(child, child);
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Ended(child))
            return false; // most likely the port was taken in the meantime
        if (LoopbackPortAnswers(port)) {
            pid_ = child;
            port_ = port;
            return true;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    ::kill(-child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return false;
}

void LighttpdServer::stop()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopLimit;
    bool ended = false;
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        ended = Ended(pid_);
        if (!ended)
            std::this_thread::sleep_for(kPollInterval);
    }
    if (!ended) {
        ::kill(-pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    } else {
        ::kill(-pid_, SIGKILL); // anything of the group left behind
    }
    pid_ = -1;
}
