// jobgate: the update server's work script as a CGI/1.1 program.

#include "Jobgate.h"

#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

std::optional<std::string> Environment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

} // namespace

int main()
{
    // A client that goes away shows as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    RequestEnvironment environment;
    environment.method = Environment("REQUEST_METHOD").value_or("");
    environment.contentLength = Environment("CONTENT_LENGTH");
    environment.root = Environment("JOBGATE_ROOT");
    environment.sendfile = Environment("JOBGATE_SENDFILE").value_or("") == "1";
    environment.range = Environment("HTTP_RANGE").value_or("");
    FdChannel channel(0, 1);
    return AnswerRequest(environment, channel);
}
