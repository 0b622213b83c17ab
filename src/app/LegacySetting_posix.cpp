// POSIX side of LegacySetting.h: the older program never ran here, so there is no legacy value.
#include "app/LegacySetting.h"

std::optional<std::string> ReadLegacyMainDirectory()
{
    return std::nullopt;
}
