// POSIX side of Environment.h.
#include "support/Environment.h"

#include <cstdlib>

void SetEnvironment(const std::string& name, const std::string& value)
{
    ::setenv(name.c_str(), value.c_str(), 1);
}
