// POSIX side of ServerProcess.h.
#include "ServerProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

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

// Whether the child has ended; reaps it when it has, with its exit code (-1 when killed).
bool Ended(pid_t pid, int& exitCode)
{
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) != pid)
        return false;
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

} // namespace

bool ServerProcess::start(const std::vector<std::string>& argv, const EnvironmentOverrides& environment,
                          const std::function<bool()>& ready, const std::string& log)
{
    stop();
    std::vector<std::string> arguments = argv;
    std::vector<std::string> variables = MergedEnvironment(environment);
    std::vector<char*> argumentPointers = ExecPointers(arguments);
    std::vector<char*> variablePointers = ExecPointers(variables);
    const std::string output = log.empty() ? "/dev/null" : log;

    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        // Its own process group, so that stopping reaches what the server starts.
        ::setpgid(0, 0);
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, 0);
        ::dup2(out, 1);
        if (!log.empty())
            ::dup2(out, 2);
        ::execve(argumentPointers[0], argumentPointers.data(), variablePointers.data());
        ::_exit(127);
    }
    ::setpgid(child, child);
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        int exitCode = 0;
        if (Ended(child, exitCode))
            return false; // most likely its port was taken in the meantime
        if (ready()) {
            pid_ = child;
            return true;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    ::kill(-child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return false;
}

int ServerProcess::stop()
{
    if (pid_ <= 0)
        return -1;
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopLimit;
    bool ended = false;
    int exitCode = -1;
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        ended = Ended(pid_, exitCode);
        if (!ended)
            std::this_thread::sleep_for(kPollInterval);
    }
    ::kill(-pid_, SIGKILL); // the group: anything the server started and left behind
    if (!ended)
        ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return exitCode;
}

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

bool UnixSocketAnswers(const std::string& path)
{
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answers = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return answers;
}
