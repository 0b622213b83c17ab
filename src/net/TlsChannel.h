#pragma once
// A TLS client session over a connected non-blocking socket that its owner keeps: the
// handshake (TLS 1.2 at least; the server's chain checked against the trusted roots and
// its certificate against the host name), then sends and receives that never wait. A call
// that cannot go on says which readiness of the socket it waits for. Sessions are kept for
// the process and taken up again by the next channel to the same host and port.

#include "net/TlsTrust.h"

#include <cstdint>
#include <memory>
#include <string>

class TlsChannel {
public:
    // What send and receive return when the socket cannot move a byte now.
    static constexpr int kWouldBlock = -2;

    enum class Step { done, wantRead, wantWrite, failed };

    // A session for host on port over socket, which must stay open while the channel lasts.
    TlsChannel(std::intptr_t socket, const std::string& host, std::uint16_t port, const TlsTrust& trust);
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // Takes the handshake as far as the socket allows; failed with failure() saying why.
    Step handshake();

    // Bytes taken (count or fewer), kWouldBlock, or -1 on an error.
    int send(const char* bytes, int count);

    // Bytes received, 0 when the peer has closed, kWouldBlock, or -1 on an error.
    int receive(char* buffer, int size);

    // After kWouldBlock: whether the socket must become writable (otherwise readable).
    bool wantsWrite() const { return wantsWrite_; }

    // Whether received bytes wait inside the channel, so that a wait on the socket would
    // not see them.
    bool hasPending() const;

    // After the handshake: whether it took up a kept session instead of a full one. On
    // Windows as Schannel reports it; false where it cannot tell (Wine's Schannel).
    bool resumed() const;

    // Why the handshake or a transfer failed, in English.
    const std::string& failure() const { return failure_; }

private:
    struct Session;

    std::unique_ptr<Session> session_;
    bool wantsWrite_ = true;
    std::string failure_;
};
