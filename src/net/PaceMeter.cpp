#include "net/PaceMeter.h"

#include "net/Diagnostic.h"
#include "text/FormatString.h"

PaceMeter::PaceMeter(const Timeouts& limits, Clock::time_point start) : limits_(limits), windowStart_(start)
{}

bool PaceMeter::keepsPace(std::uint64_t bytes, Clock::time_point now)
{
    if (tooSlow_)
        return false;
    windowBytes_ += bytes;
    if (now - windowStart_ < limits_.slowWindow)
        return true;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - windowStart_).count();
    if (windowBytes_ * 1000 < static_cast<std::uint64_t>(ms) * limits_.slowRate) {
        tooSlow_ = true;
        WriteDiagnostic(FormatString("Transfer slower than %u bytes/s for %s, given up", limits_.slowRate,
                                     DescribeDuration(limits_.slowWindow).c_str()));
        return false;
    }
    windowStart_ = now;
    windowBytes_ = 0;
    return true;
}
