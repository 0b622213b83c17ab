#pragma once
// The owner of one non-blocking TCP client socket for exchanges that run side by side:
// a connect that is begun and finished later, sends and receives that never wait, and
// one wait over many such sockets (poll on POSIX, select on Windows).

#include <chrono>
#include <cstdint>
#include <vector>

class NonBlockingSocket {
public:
    // What send and receive return when the socket cannot move a byte now.
    static constexpr int kWouldBlock = -2;

    NonBlockingSocket() = default;
    ~NonBlockingSocket();
    NonBlockingSocket(const NonBlockingSocket&) = delete;
    NonBlockingSocket& operator=(const NonBlockingSocket&) = delete;
    NonBlockingSocket(NonBlockingSocket&& other) noexcept;
    NonBlockingSocket& operator=(NonBlockingSocket&& other) noexcept;

    bool isOpen() const { return handle_ >= 0; }
    // The system's socket, for a TLS channel over it; it stays owned here.
    std::intptr_t native() const { return handle_; }

    // Creates the socket and begins connecting to address (network byte order) and port;
    // false, with the socket closed, when that failed at once. The connection is
    // established once a wait for writing finds the socket ready and connectSucceeded
    // says so.
    bool beginConnect(std::uint32_t address, std::uint16_t port);

    // After a wait found the socket ready for writing: whether the connect succeeded.
    bool connectSucceeded() const;

    // Bytes sent, kWouldBlock, or -1 on an error.
    int send(const char* bytes, int count);

    // Bytes received, 0 when the peer has closed, kWouldBlock, or -1 on an error.
    int receive(char* buffer, int size);

    void close();

    // One socket of a wait: what it waits for, and what the wait found.
    struct Wait {
        const NonBlockingSocket* socket = nullptr;
        bool forWriting = false; // writable (or connected); otherwise readable
        bool ready = false;      // set by WaitForAny: the socket can move, or has failed
    };

    // Waits until at least one of waits is ready, at most limit, and marks the ready ones;
    // with no waits it waits for limit.
    // A wait cut short by a signal returns like one that timed out. False on an error of
    // the wait itself.
    static bool WaitForAny(std::vector<Wait>& waits, std::chrono::milliseconds limit);

private:
    std::intptr_t handle_ = -1; // negative when closed
};
