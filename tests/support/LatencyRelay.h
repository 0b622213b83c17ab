#pragma once
// POSIX only: a TCP relay on loopback that makes a link slow, for tests and benchmarks. It
// listens on a free 127.0.0.1 port and forwards each connection to a loopback target port,
// delaying every byte by a fixed one-way time in each direction. Opening a connection
// costs one round trip as well: the target is connected, and the client's first bytes are
// passed on, only once the handshake of the slow link would have been done. So one
// request and its answer take at least two round trips, as over a real link.
//
// With a rate, the link also carries at most that many bytes a second in each direction,
// shared by all its connections as one line is: a byte is due once the bytes before it have
// passed the line and the one-way time is over.
//
// One thread serves every connection with a poll loop; connections and the bytes held per
// direction are bounded. The destructor stops the thread and closes everything.

#include <chrono>
#include <cstdint>
#include <thread>

class LatencyRelay {
public:
    // bytesPerSecond 0: no limit but the latency.
    LatencyRelay(std::uint16_t targetPort, std::chrono::milliseconds oneWay, std::uint64_t bytesPerSecond = 0);
    LatencyRelay(const LatencyRelay&) = delete;
    LatencyRelay& operator=(const LatencyRelay&) = delete;
    ~LatencyRelay();

    // Whether it listens.
    bool running() const { return port_ != 0; }
    std::uint16_t port() const { return port_; }
    std::chrono::milliseconds roundTrip() const { return 2 * oneWay_; }

    // The most connections relayed at once; more wait in the listening queue.
    static constexpr int kMostConnections = 64;
    // The most bytes held in one direction; reading that side pauses beyond.
    static constexpr std::size_t kMostHeldBytes = 4 * 1024 * 1024;

private:
    void run();

    const std::uint16_t targetPort_;
    const std::chrono::milliseconds oneWay_;
    const std::uint64_t bytesPerSecond_;
    int listener_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
};
