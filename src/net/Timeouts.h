#pragma once
// How long a connection may wait for the other side before the exchange is given up.

#include <chrono>
#include <string>

struct Timeouts {
    std::chrono::milliseconds connect; // from the connect call to an established connection
    std::chrono::milliseconds stall;   // a send or receive that moves no byte for this long fails
    // A response that brings fewer than slowRate bytes a second over a whole slowWindow is
    // ended like a cut one: a trickle must not hold a run for ever.
    std::chrono::milliseconds slowWindow{std::chrono::seconds(60)};
    unsigned slowRate = 1024;
};

// The limits every connection starts with: 15 s to connect, 30 s without progress, and
// at least 1 KiB/s over every 60 s.
inline constexpr Timeouts kDefaultTimeouts{std::chrono::seconds(15), std::chrono::seconds(30)};

// "15 s" for whole seconds, otherwise "250 ms": the wording of the time-out diagnostics.
std::string DescribeDuration(std::chrono::milliseconds duration);
