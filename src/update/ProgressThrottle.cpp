#include "update/ProgressThrottle.h"

#include <algorithm>

ProgressThrottle::ProgressThrottle(NowFunction now) : now_(now) {}

void ProgressThrottle::setRange(int low, int high, int steps)
{
    low_ = low;
    high_ = high;
    steps_ = std::max(steps, 1);
}

void ProgressThrottle::forgetShown()
{
    shown_ = false;
}

bool ProgressThrottle::admit(int pos)
{
    const bool atEnd = pos <= low_ || pos >= high_;
    if (shown_ && stepOf(pos) == stepOf(shownPos_))
        return false;
    const Clock::time_point now = now_();
    if (shown_ && !atEnd && now - shownAt_ < kInterval)
        return false;
    shown_ = true;
    shownPos_ = pos;
    shownAt_ = now;
    return true;
}

int ProgressThrottle::stepOf(int pos) const
{
    if (high_ <= low_)
        return 0;
    const long long span = static_cast<long long>(high_) - low_;
    const long long done = std::clamp(static_cast<long long>(pos) - low_, 0LL, span);
    return static_cast<int>(done * steps_ / span);
}
