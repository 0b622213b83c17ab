// jobgate: the update server's work script, a CGI/1.1 program or a FastCGI server.
//
//   jobgate                      CGI/1.1; or FastCGI when the web server started it on a
//                                listening socket (lighttpd's bin-path, for example)
//   jobgate --fastcgi ADDRESS    FastCGI on a socket of its own: HOST:PORT or a unix
//                                socket's path

#include "FastCgi.h"
#include "Jobgate.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

std::optional<std::string> Environment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

} // namespace

int main(int argc, char** argv)
{
    // A client that goes away shows as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc == 3 && std::string_view(argv[1]) == "--fastcgi") {
        const UniqueFd socket = ListenForFastCgi(argv[2]);
        return socket.valid() ? ServeFastCgi(socket.get()) : 1;
    }
    if (argc != 1) {
        std::fprintf(stderr, "usage: jobgate [--fastcgi HOST:PORT|SOCKET-PATH]\n");
        return 2;
    }
    if (StartedAsFastCgi())
        return ServeFastCgi(0);
    FdChannel channel(0, 1);
    return AnswerRequest(ReadRequestEnvironment(Environment), channel);
}
