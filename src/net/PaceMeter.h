#pragma once
// The slow-link rule of Timeouts: a response that brings fewer than slowRate bytes a
// second over a whole slowWindow is given up, so a trickle ends like a cut transfer
// instead of holding a run for ever.

#include "net/Timeouts.h"

#include <chrono>
#include <cstdint>

class PaceMeter {
public:
    using Clock = std::chrono::steady_clock;

    // Starts the first window at start.
    PaceMeter(const Timeouts& limits, Clock::time_point start);

    // Counts bytes that arrived and, when a whole window has passed, judges it: false once
    // a window brought too few (the diagnostic is written then, once), and from then on.
    bool keepsPace(std::uint64_t bytes, Clock::time_point now);

    // When the current window is judged.
    Clock::time_point windowEnd() const { return windowStart_ + limits_.slowWindow; }

private:
    Timeouts limits_;
    Clock::time_point windowStart_;
    std::uint64_t windowBytes_ = 0;
    bool tooSlow_ = false;
};
