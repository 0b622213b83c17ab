#pragma once
// The owner of one TCP client socket: connect to a host and port, send a buffer whole,
// receive what is there, close. Failures are written to standard error and returned.
// Waits for the peer are bounded, and with a wait observer they are cut into slices of
// kIdleInterval, after each of which the observer is called and may end the wait.

#include "net/ByteSource.h"
#include "net/Timeouts.h"
#include "net/TlsChannel.h"
#include "net/WaitObserver.h"

#include <cstdint>
#include <memory>
#include <string>

class TcpConnection final : public ByteSource {
public:
    TcpConnection() = default;
    ~TcpConnection();
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;
    TcpConnection(TcpConnection&& other) noexcept;
    TcpConnection& operator=(TcpConnection&& other) noexcept;

    // Starts the socket layer of the process; on Windows a failure ends the process with
    // exit code 1 after "WSAStartup() failed".
    static void startSockets();

    // The first IPv4 address of host in network byte order; false when it does not resolve.
    static bool resolveHost(const char* host, std::uint32_t& address);

    bool isOpen() const { return handle_ >= 0; }

    // Connects to host on port, closing a connection that is still open first. A connect
    // that does not complete within the connect limit fails like a refused one.
    bool open(const char* host, std::uint16_t port);

    // Sends count bytes in pieces of at most 4096: count, or -1 when a send fails or no
    // byte can be sent for the stall limit (some bytes may have gone out then).
    int sendAll(const char* bytes, int count);

    // One receive: the count read, 0 when the peer has closed, -1 on an error, when
    // nothing arrives for the stall limit, or when the observer cancelled the transfer.
    int receive(char* buffer, int size) override;

    // Runs a TLS handshake for host on port over the open connection, each wait bounded
    // by the stall limit; afterwards sends and receives go through TLS until close. False,
    // with the diagnostic written and kept in failure, when it failed.
    bool startTls(const std::string& host, std::uint16_t port, const TlsTrust& trust, std::string& failure);

    // Whether the TLS handshake of startTls took up a kept session.
    bool tlsResumed() const { return tls_ && tls_->resumed(); }

    // Closes an open socket and returns what the system's close returned; 0 when closed.
    int close();

    const Timeouts& timeouts() const { return timeouts_; }
    void setTimeouts(const Timeouts& timeouts) { timeouts_ = timeouts; }

    // The observer called while the connection waits; null for none. It is not owned.
    void setWaitObserver(WaitObserver* observer) { observer_ = observer; }

private:
    enum class ConnectOutcome { connected, failed, timedOut, cancelled };
    enum class Direction { read, write, connect };
    enum class Wait { ready, timedOut, failed, cancelled };

    // Waits until the socket is ready in direction, at most limit, calling the observer
    // between slices of kIdleInterval. A connect that fails counts as failed.
    Wait waitFor(Direction direction, std::chrono::milliseconds limit);
    // The platform side: one wait of at most limit; timedOut also when a signal cut it short.
    Wait waitOnce(Direction direction, std::chrono::milliseconds limit);

    // The platform side: creates the socket into handle_; true when it is valid.
    bool createSocket();
    // Connects the socket without blocking beyond the connect limit and leaves it in
    // non-blocking mode, so sends and receives can be bounded by the stall limit.
    ConnectOutcome connectSocket(std::uint32_t address, std::uint16_t port);
    // Writes what, the peer and the stall limit as one diagnostic line.
    void reportStall(const char* what) const;
    // sendAll and receive through the TLS channel.
    int sendAllTls(const char* bytes, int count);
    int receiveTls(char* buffer, int size);
    // Waits as the TLS channel's last call asked; false (reported) when it timed out or failed.
    bool waitForTls(const char* stallText);

    std::intptr_t handle_ = -1; // the socket; negative when closed
    std::unique_ptr<TlsChannel> tls_; // after startTls; closed before the socket
    std::string peer_;          // "host on port N" for diagnostics
    Timeouts timeouts_ = kDefaultTimeouts;
    WaitObserver* observer_ = nullptr;
};
