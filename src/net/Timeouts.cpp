#include "net/Timeouts.h"

#include "text/FormatString.h"

std::string DescribeDuration(std::chrono::milliseconds duration)
{
    const int ms = static_cast<int>(duration.count());
    if (ms % 1000 == 0)
        return FormatString("%d s", ms / 1000);
    return FormatString("%d ms", ms);
}
