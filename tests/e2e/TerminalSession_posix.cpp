// POSIX side of TerminalSession.h.
#include "TerminalSession.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace {

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

TerminalSession::TerminalSession(const std::vector<std::string>& argv,
                                 const EnvironmentOverrides& environment)
{
    std::vector<std::string> arguments = argv;
    std::vector<std::string> variables = MergedEnvironment(environment);
    std::vector<char*> argumentPointers = ExecPointers(arguments);
    std::vector<char*> variablePointers = ExecPointers(variables);

    int master = -1;
    const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (child < 0)
        return;
    if (child == 0) {
        ::execve(argumentPointers[0], argumentPointers.data(), variablePointers.data());
        ::_exit(127);
    }
    pid_ = child;
    master_ = master;
}

TerminalSession::~TerminalSession()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0)
        ::close(master_);
}

bool TerminalSession::readSome(std::chrono::steady_clock::time_point deadline)
{
    if (master_ < 0)
        return false;
    pollfd fd{master_, POLLIN, 0};
    const int ready = ::poll(&fd, 1, MillisecondsUntil(deadline));
    if (ready < 0 && errno == EINTR)
        return true;
    if (ready <= 0)
        return false;
    std::array<char, 4096> buffer;
    const ssize_t n = ::read(master_, buffer.data(), buffer.size());
    if (n > 0) {
        screen_.append(buffer.data(), static_cast<std::size_t>(n));
        return true;
    }
    // The program's side of the terminal is closed (EIO): it has ended.
    ::close(master_);
    master_ = -1;
    return false;
}

bool TerminalSession::waitFor(const std::string& text, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        const auto found = screen_.find(text, matched_);
        if (found != std::string::npos) {
            matched_ = found + text.size();
            return true;
        }
        if (!readSome(deadline))
            return false;
    }
}

void TerminalSession::type(const std::string& bytes)
{
    if (master_ >= 0 && !bytes.empty()) {
        const ssize_t written = ::write(master_, bytes.data(), bytes.size());
        static_cast<void>(written);
    }
}

int TerminalSession::finish(std::chrono::milliseconds limit)
{
    if (pid_ <= 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(pid_, &status, WNOHANG)) == 0 && MillisecondsUntil(deadline) > 0) {
        if (!readSome(deadline) && master_ >= 0)
            break; // the limit passed
        if (master_ < 0)
            ::usleep(10000); // the terminal closed first; the exit status follows soon
    }
    if (ended != pid_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return -1;
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
