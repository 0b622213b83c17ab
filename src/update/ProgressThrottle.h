#pragma once
// Which progress positions a view shows. The run reports every received block, and a
// bar redrawn that often costs more than the transfer itself (under Wine about 10 ms a
// redraw): a position is shown only when it moves the drawn bar, at most once every
// kInterval, except that the ends of the range are always shown, so that a finished
// file shows its full bar and a reset shows an empty one.

#include <chrono>

class ProgressThrottle {
public:
    using Clock = std::chrono::steady_clock;
    using NowFunction = Clock::time_point (*)();

    // At most 25 positions a second.
    static constexpr std::chrono::milliseconds kInterval{40};

    // now: the clock the interval is measured with. Nothing counts as shown yet.
    explicit ProgressThrottle(NowFunction now = &Clock::now);

    // A new range, drawn in steps distinct positions (a bar's width in pixels, 100 for a
    // percentage). The position shown stays as it was, as a progress bar keeps its own.
    void setRange(int low, int high, int steps);

    // Nothing counts as shown any more: the next position is shown, whatever it is.
    void forgetShown();

    // True when pos is to be shown now (see the class comment); it then counts as shown.
    bool admit(int pos);

    // The drawn step of pos in the current range, 0 to steps; 0 for an empty range.
    int stepOf(int pos) const;

private:
    NowFunction now_;
    int low_ = 0;
    int high_ = 0;
    int steps_ = 1;
    bool shown_ = false;
    int shownPos_ = 0;
    Clock::time_point shownAt_{};
};
