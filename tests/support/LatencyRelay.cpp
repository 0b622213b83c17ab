// POSIX side of LatencyRelay.h.
#include "LatencyRelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <deque>
#include <list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in Loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// Bytes on their way in one direction, each piece due at the time it would arrive.
struct Direction {
    struct Piece {
        Clock::time_point due;
        std::string bytes;
    };
    std::deque<Piece> pieces;
    std::size_t held = 0;
    std::optional<Clock::time_point> endDue; // when the sender's end of stream arrives
    bool ended = false;                      // passed on to the receiver
    bool readingDone = false;

    bool full() const { return held >= LatencyRelay::kMostHeldBytes; }
    bool due(Clock::time_point now) const { return !pieces.empty() && pieces.front().due <= now; }
    bool endIsDue(Clock::time_point now) const { return pieces.empty() && endDue && *endDue <= now && !ended; }
    std::optional<Clock::time_point> next() const
    {
        if (!pieces.empty())
            return pieces.front().due;
        if (endDue && !ended)
            return endDue;
        return std::nullopt;
    }
};

struct Connection {
    Fd client;
    Fd target;
    Clock::time_point opened; // when the handshake of the slow link is done
    bool connecting = false;
    bool failed = false;
    Direction up;   // client to target
    Direction down; // target to client

    bool finished() const { return failed || (up.ended && down.ended); }
};

// The line of one direction, shared by every connection: when it is free again.
struct Line {
    std::uint64_t bytesPerSecond = 0; // 0: unlimited
    Clock::time_point free{};

    // When count bytes that are there at from have passed the line.
    Clock::time_point pass(Clock::time_point from, std::size_t count)
    {
        if (bytesPerSecond == 0)
            return from;
        free = std::max(free, from) + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(static_cast<double>(count) /
                                                                         static_cast<double>(bytesPerSecond)));
        return free;
    }
};

// Reads what is there from fd into the direction, due delay after it passed the line (and not
// before earliest); false when the connection failed.
bool ReadInto(int fd, Direction& direction, Clock::time_point earliest, std::chrono::milliseconds delay, Line& line)
{
    std::array<char, 65536> buffer;
    const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
    if (got < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    const Clock::time_point start = std::max(Clock::now(), earliest);
    const Clock::time_point due = (got > 0 ? line.pass(start, static_cast<std::size_t>(got)) : start) + delay;
    if (got == 0) {
        direction.readingDone = true;
        direction.endDue = due;
        return true;
    }
    direction.pieces.push_back({due, std::string(buffer.data(), static_cast<std::size_t>(got))});
    direction.held += static_cast<std::size_t>(got);
    return true;
}

// Writes what is due to fd; false when the connection failed.
bool WriteDue(int fd, Direction& direction, Clock::time_point now)
{
    while (direction.due(now)) {
        std::string& bytes = direction.pieces.front().bytes;
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        direction.held -= static_cast<std::size_t>(sent);
        bytes.erase(0, static_cast<std::size_t>(sent));
        if (!bytes.empty())
            return true;
        direction.pieces.pop_front();
    }
    if (direction.endIsDue(now)) {
        ::shutdown(fd, SHUT_WR);
        direction.ended = true;
    }
    return true;
}

} // namespace

LatencyRelay::LatencyRelay(std::uint16_t targetPort, std::chrono::milliseconds oneWay, std::uint64_t bytesPerSecond)
    : targetPort_(targetPort), oneWay_(oneWay), bytesPerSecond_(bytesPerSecond)
{
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, kMostConnections) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
}

LatencyRelay::~LatencyRelay()
{
    if (thread_.joinable()) {
        const char stop = 0;
        while (::write(wakeWrite_, &stop, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    for (const int fd : {listener_, wakeRead_, wakeWrite_})
        if (fd >= 0)
            ::close(fd);
}

void LatencyRelay::run()
{
    std::list<Connection> connections;
    const sockaddr_in target = Loopback(targetPort_);
    Line upLine{bytesPerSecond_}, downLine{bytesPerSecond_};
    while (true) {
        const Clock::time_point now = Clock::now();
        // Connections whose handshake is done get their target connection.
        for (Connection& c : connections) {
            if (!c.failed && c.target.get() < 0 && now >= c.opened) {
                c.target = Fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
                const int rc = ::connect(c.target.get(), reinterpret_cast<const sockaddr*>(&target), sizeof target);
                c.connecting = rc != 0 && errno == EINPROGRESS;
                c.failed = c.target.get() < 0 || (rc != 0 && !c.connecting);
            }
            if (!c.failed && c.target.get() >= 0 && !c.connecting)
                c.failed = !WriteDue(c.target.get(), c.up, now);
            if (!c.failed)
                c.failed = !WriteDue(c.client.get(), c.down, now);
        }
        connections.remove_if([](const Connection& c) { return c.finished(); });

        // Each polled descriptor with its connection and side; a side with nothing to wait
        // for is left out (a closed peer would report POLLHUP on every round).
        std::vector<pollfd> polled = {{wakeRead_, POLLIN, 0}};
        std::vector<std::pair<Connection*, bool>> owners = {{nullptr, false}}; // bool: the target side
        const bool accepting = connections.size() < static_cast<std::size_t>(kMostConnections);
        if (accepting) {
            polled.push_back({listener_, POLLIN, 0});
            owners.push_back({nullptr, false});
        }
        std::optional<Clock::time_point> next;
        const auto consider = [&next](std::optional<Clock::time_point> at) {
            if (at && (!next || *at < *next))
                next = at;
        };
        const auto add = [&](Connection& c, bool targetSide, short events) {
            if (events != 0) {
                polled.push_back({targetSide ? c.target.get() : c.client.get(), events, 0});
                owners.push_back({&c, targetSide});
            }
        };
        for (Connection& c : connections) {
            add(c, false,
                static_cast<short>((c.up.readingDone || c.up.full() ? 0 : POLLIN) | (c.down.due(now) ? POLLOUT : 0)));
            if (c.target.get() < 0)
                consider(c.opened);
            else if (c.connecting)
                add(c, true, POLLOUT);
            else
                add(c, true,
                    static_cast<short>((c.down.readingDone || c.down.full() ? 0 : POLLIN) |
                                       (c.up.due(now) ? POLLOUT : 0)));
            consider(c.up.next());
            consider(c.down.next());
        }
        int timeout = -1;
        if (next) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now());
            timeout = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, wait.count()));
        }
        if (::poll(polled.data(), polled.size(), timeout) < 0 && errno != EINTR)
            return;
        if (polled[0].revents != 0)
            return; // the owner stops the relay

        for (std::size_t i = 1; i < polled.size(); ++i) {
            const short events = polled[i].revents;
            Connection* c = owners[i].first;
            if (events == 0)
                continue;
            if (c == nullptr) {
                Fd client(::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
                if (client.get() >= 0) {
                    Connection& added = connections.emplace_back();
                    added.client = std::move(client);
                    added.opened = Clock::now() + roundTrip();
                }
            } else if (!owners[i].second) {
                if (!c->up.readingDone && (events & (POLLIN | POLLHUP | POLLERR)))
                    c->failed = c->failed || !ReadInto(c->client.get(), c->up, c->opened, oneWay_, upLine);
            } else if (c->connecting) {
                int error = 0;
                socklen_t length = sizeof error;
                ::getsockopt(c->target.get(), SOL_SOCKET, SO_ERROR, &error, &length);
                c->connecting = false;
                c->failed = c->failed || error != 0;
            } else if (!c->down.readingDone && (events & (POLLIN | POLLHUP | POLLERR))) {
                c->failed = c->failed || !ReadInto(c->target.get(), c->down, Clock::time_point{}, oneWay_, downLine);
            }
        }
    }
}
