#include "FastCgi.h"

#include "Jobgate.h"

#include <fcgiapp.h>
#include <netdb.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr int kBacklog = 128;

volatile std::sig_atomic_t gStopRequested = 0;
int gListenSocket = -1;

void RequestStop(int)
{
    gStopRequested = 1;
    ::shutdown(gListenSocket, SHUT_RDWR);
}

// One FastCGI request slot: libfcgi fills it on each accept and finishes the previous
// request then.
class FastCgiRequest {
public:
    explicit FastCgiRequest(int listenSocket) { FCGX_InitRequest(&request_, listenSocket, 0); }
    FastCgiRequest(const FastCgiRequest&) = delete;
    FastCgiRequest& operator=(const FastCgiRequest&) = delete;
    // Finishes a request still open, flushing its answer; the listening socket stays its
    // owner's.
    ~FastCgiRequest() { FCGX_Finish_r(&request_); }

    bool accept() { return FCGX_Accept_r(&request_) >= 0; }

    // A parameter the web server passed with the request.
    std::optional<std::string> parameter(const char* name) const
    {
        const char* value = FCGX_GetParam(name, request_.envp);
        if (value == nullptr)
            return std::nullopt;
        return std::string(value);
    }

    FCGX_Stream* in() const { return request_.in; }
    FCGX_Stream* out() const { return request_.out; }

private:
    FCGX_Request request_{};
};

class FastCgiChannel final : public RequestChannel {
public:
    FastCgiChannel(FCGX_Stream* in, FCGX_Stream* out) : in_(in), out_(out) {}

    long read(char* buffer, std::size_t size) override
    {
        const int got = FCGX_GetStr(buffer, static_cast<int>(std::min<std::size_t>(size, INT_MAX)), in_);
        if (got == 0 && FCGX_GetError(in_) != 0)
            return -1;
        return got;
    }

    bool write(std::string_view data) override
    {
        while (!data.empty()) {
            const int count = static_cast<int>(std::min<std::size_t>(data.size(), INT_MAX));
            if (FCGX_PutStr(data.data(), count, out_) != count)
                return false;
            data.remove_prefix(static_cast<std::size_t>(count));
        }
        return true;
    }

private:
    FCGX_Stream* in_;
    FCGX_Stream* out_;
};

std::optional<std::string> ProcessVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

UniqueFd Listening(UniqueFd socket)
{
    if (socket.valid() && ::listen(socket.get(), kBacklog) != 0)
        socket.reset();
    return socket;
}

UniqueFd ListenOnUnixSocket(const std::string& path)
{
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return UniqueFd();
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    // The socket file of an earlier run is replaced; any other file is left alone.
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode))
        ::unlink(path.c_str());
    UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (socket.valid() && ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        socket.reset();
    return Listening(std::move(socket));
}

// HOST:PORT, the host a name or an address ("[...]" around an IPv6 one).
UniqueFd ListenOnTcp(const std::string& address)
{
    const std::size_t colon = address.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == address.size()) {
        errno = EINVAL;
        return UniqueFd();
    }
    std::string host = address.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    const std::string port = address.substr(colon + 1);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) {
        errno = EINVAL;
        return UniqueFd();
    }
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, &::freeaddrinfo);
    for (const addrinfo* at = found; at != nullptr; at = at->ai_next) {
        UniqueFd socket(::socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC, at->ai_protocol));
        if (!socket.valid())
            continue;
        const int on = 1;
        ::setsockopt(socket.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(socket.get(), at->ai_addr, at->ai_addrlen) == 0)
            return Listening(std::move(socket));
    }
    return UniqueFd();
}

} // namespace

bool StartedAsFastCgi()
{
    return FCGX_IsCGI() == 0;
}

UniqueFd ListenForFastCgi(const std::string& address)
{
    UniqueFd socket = address.find('/') != std::string::npos ? ListenOnUnixSocket(address) : ListenOnTcp(address);
    if (!socket.valid())
        std::fprintf(stderr, "jobgate: cannot listen at %s: %s\n", address.c_str(), std::strerror(errno));
    return socket;
}

int ServeFastCgi(int listenSocket)
{
    if (FCGX_Init() != 0) {
        std::fprintf(stderr, "jobgate: the FastCGI library cannot start\n");
        return 1;
    }
    // Replaces libfcgi's handlers: SIGTERM (as the web server or a service manager stops
    // its back ends) and SIGINT finish the request under way, then end the program. Writes
    // go on after the signal (SA_RESTART); shutting the socket down wakes a waiting accept.
    gListenSocket = listenSocket;
    struct sigaction stop {};
    stop.sa_handler = RequestStop;
    stop.sa_flags = SA_RESTART;
    sigemptyset(&stop.sa_mask);
    ::sigaction(SIGTERM, &stop, nullptr);
    ::sigaction(SIGINT, &stop, nullptr);

    FastCgiRequest request(listenSocket);
    SignedListingCache listings;
    while (request.accept()) {
        // The repository's settings may come with each request (web server configuration)
        // or, for a server started on its own socket, from the process environment.
        const RequestEnvironment environment = ReadRequestEnvironment([&](const char* name) {
            auto value = request.parameter(name);
            if (!value && std::strncmp(name, "JOBGATE_", 8) == 0)
                value = ProcessVariable(name);
            return value;
        });
        FastCgiChannel channel(request.in(), request.out());
        AnswerRequest(environment, channel, &listings);
        if (gStopRequested)
            break;
    }
    if (gStopRequested)
        return 0;
    std::fprintf(stderr, "jobgate: accepting FastCGI requests failed\n");
    return 1;
}
