// POSIX side of FastCgiClient.h.
#include "FastCgiClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

enum RecordType : unsigned char {
    kBeginRequest = 1,
    kEndRequest = 3,
    kParams = 4,
    kStdin = 5,
    kStdout = 6,
    kStderr = 7,
};
constexpr unsigned char kVersion = 1;
constexpr unsigned char kResponder = 1;
constexpr std::size_t kLongestContent = 65535;

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

int Connect(const std::string& address)
{
    const std::size_t colon = address.rfind(':');
    if (address.compare(0, 10, "127.0.0.1:") == 0) {
        sockaddr_in in{};
        in.sin_family = AF_INET;
        in.sin_port = htons(static_cast<std::uint16_t>(std::stoi(address.substr(colon + 1))));
        in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&in), sizeof in) == 0)
            return fd;
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    sockaddr_un un{};
    if (address.size() >= sizeof un.sun_path)
        return -1;
    un.sun_family = AF_UNIX;
    std::memcpy(un.sun_path, address.c_str(), address.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&un), sizeof un) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

void AppendRecord(std::string& stream, unsigned char type, std::string_view content)
{
    const unsigned char header[8] = {kVersion,
                                     type,
                                     0,
                                     1, // request id 1
                                     static_cast<unsigned char>(content.size() >> 8),
                                     static_cast<unsigned char>(content.size() & 0xFF),
                                     0,
                                     0};
    stream.append(reinterpret_cast<const char*>(header), sizeof header);
    stream.append(content);
}

// Records of one stream, ended by an empty one.
void AppendStream(std::string& stream, unsigned char type, std::string_view content)
{
    while (!content.empty()) {
        const std::size_t part = std::min(content.size(), kLongestContent);
        AppendRecord(stream, type, content.substr(0, part));
        content.remove_prefix(part);
    }
    AppendRecord(stream, type, {});
}

void AppendLength(std::string& pairs, std::size_t length)
{
    if (length < 128) {
        pairs += static_cast<char>(length);
        return;
    }
    pairs += static_cast<char>(((length >> 24) & 0x7F) | 0x80);
    pairs += static_cast<char>((length >> 16) & 0xFF);
    pairs += static_cast<char>((length >> 8) & 0xFF);
    pairs += static_cast<char>(length & 0xFF);
}

bool SendAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t sent = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool ReceiveExactly(int fd, char* buffer, std::size_t size)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::recv(fd, buffer + got, size - got, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

FastCgiAnswer AskFastCgi(const std::string& address, const EnvironmentOverrides& variables,
                         const std::string& input, std::chrono::milliseconds limit)
{
    FastCgiAnswer answer;
    const Socket socket(Connect(address));
    if (socket.get() < 0)
        return answer;
    timeval timeout{};
    timeout.tv_sec = static_cast<time_t>(limit.count() / 1000);
    timeout.tv_usec = static_cast<suseconds_t>((limit.count() % 1000) * 1000);
    ::setsockopt(socket.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);

    std::string request;
    const char begin[8] = {0, static_cast<char>(kResponder), 0, 0, 0, 0, 0, 0};
    AppendRecord(request, kBeginRequest, std::string_view(begin, sizeof begin));
    std::string pairs;
    for (const auto& [name, value] : variables) {
        if (value.empty())
            continue;
        AppendLength(pairs, name.size());
        AppendLength(pairs, value.size());
        pairs += name;
        pairs += value;
    }
    AppendStream(request, kParams, pairs);
    AppendStream(request, kStdin, input);
    if (!SendAll(socket.get(), request))
        return answer;

    while (true) {
        unsigned char header[8];
        if (!ReceiveExactly(socket.get(), reinterpret_cast<char*>(header), sizeof header))
            return answer;
        const std::size_t length = (std::size_t{header[4]} << 8) | header[5];
        std::string content(length + header[6], '\0');
        if (!ReceiveExactly(socket.get(), content.data(), content.size()))
            return answer;
        content.resize(length);
        if (header[1] == kStdout)
            answer.out += content;
        else if (header[1] == kStderr)
            answer.err += content;
        else if (header[1] == kEndRequest) {
            answer.complete = true;
            return answer;
        }
    }
}
