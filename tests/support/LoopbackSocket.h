#pragma once
// A socket for test servers and test peers on 127.0.0.1, closed by its destructor. Every
// wait is bounded, so a test never hangs on its own server.

#include <chrono>
#include <cstddef>
#include <cstdint>

class LoopbackSocket {
public:
    LoopbackSocket() = default;
    ~LoopbackSocket();
    LoopbackSocket(const LoopbackSocket&) = delete;
    LoopbackSocket& operator=(const LoopbackSocket&) = delete;
    LoopbackSocket(LoopbackSocket&& other) noexcept;
    LoopbackSocket& operator=(LoopbackSocket&& other) noexcept;

    // A listening socket on 127.0.0.1 with a free port; closed when that fails.
    static LoopbackSocket listen(int backlog);

    // Starts a connection to 127.0.0.1:port without waiting for it to complete.
    static LoopbackSocket startConnect(std::uint16_t port);

    bool isOpen() const { return handle_ >= 0; }
    std::uint16_t localPort() const;

    // The next connection, waiting at most limit; a closed socket when none came.
    LoopbackSocket accept(std::chrono::milliseconds limit);

    // Bytes received (more than 0), 0 at the end of the stream, -1 on an error, or
    // kTimedOut when nothing arrived within limit.
    int receive(char* buffer, int size, std::chrono::milliseconds limit);
    static constexpr int kTimedOut = -2;

    // Bytes sent (more than 0), -1 on an error, or kTimedOut when no byte could be sent
    // within limit.
    int send(const char* bytes, int count, std::chrono::milliseconds limit);

    // Sends each write at once instead of gathering small ones.
    void sendImmediately();

    // Makes close abort the connection, so the peer sees a reset.
    void resetOnClose();

    void close();

private:
    explicit LoopbackSocket(std::intptr_t handle) : handle_(handle) {}

    std::intptr_t handle_ = -1;
};
