// POSIX side of ChildProcess.h.
#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <tuple>

extern char** environ;

namespace {

struct Pipe {
    int read = -1;
    int write = -1;
    bool open()
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return false;
        read = ends[0];
        write = ends[1];
        return true;
    }
    ~Pipe()
    {
        closeRead();
        closeWrite();
    }
    void closeRead()
    {
        if (read >= 0)
            ::close(read);
        read = -1;
    }
    void closeWrite()
    {
        if (write >= 0)
            ::close(write);
        write = -1;
    }
};

} // namespace

std::vector<char*> ExecPointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (auto& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

std::vector<std::string> MergedEnvironment(const EnvironmentOverrides& overrides)
{
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        bool overridden = false;
        for (const auto& [key, value] : overrides)
            overridden = overridden || key == name;
        if (!overridden)
            merged.push_back(text);
    }
    for (const auto& [key, value] : overrides) {
        if (!value.empty())
            merged.push_back(key + "=" + value);
    }
    return merged;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const EnvironmentOverrides& environment,
                         const std::string& input, std::chrono::milliseconds limit)
{
    ProcessResult result;
    std::vector<std::string> arguments = argv;
    std::vector<std::string> variables = MergedEnvironment(environment);
    std::vector<char*> argumentPointers = ExecPointers(arguments);
    std::vector<char*> variablePointers = ExecPointers(variables);
    Pipe in, out, err;
    if (!in.open() || !out.open() || !err.open())
        return result;

    const pid_t child = ::fork();
    if (child < 0)
        return result;
    if (child == 0) {
        ::dup2(in.read, 0);
        ::dup2(out.write, 1);
        ::dup2(err.write, 2);
        ::execve(argumentPointers[0], argumentPointers.data(), variablePointers.data());
        ::_exit(127);
    }
    in.closeRead();
    out.closeWrite();
    err.closeWrite();
    ::fcntl(in.write, F_SETFL, O_NONBLOCK);
    // A program that stops reading its input must fail the write, not end the test.
    ::signal(SIGPIPE, SIG_IGN);

    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::size_t written = 0;
    if (input.empty())
        in.closeWrite();
    std::array<char, 65536> buffer;
    while (out.read >= 0 || err.read >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            break;
        }
        std::array<pollfd, 3> fds{{{out.read, POLLIN, 0}, {err.read, POLLIN, 0}, {in.write, POLLOUT, 0}}};
        if (::poll(fds.data(), fds.size(), static_cast<int>(left.count())) < 0 && errno != EINTR)
            break;
        if (fds[2].revents != 0) {
            const ssize_t n = ::write(in.write, input.data() + written, input.size() - written);
            if (n > 0)
                written += static_cast<std::size_t>(n);
            if (n < 0 || written == input.size())
                in.closeWrite();
        }
        for (auto [index, pipe, text] :
             {std::tuple{0, &out, &result.out}, std::tuple{1, &err, &result.err}}) {
            if (fds[index].revents == 0)
                continue;
            const ssize_t n = ::read(pipe->read, buffer.data(), buffer.size());
            if (n > 0)
                text->append(buffer.data(), static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR)
                pipe->closeRead();
        }
    }
    if (result.timedOut)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!result.timedOut && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    if (!result.timedOut && WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}
