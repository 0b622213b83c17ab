// Windows side of Environment.h: the C run-time's copy, which getenv reads.
#include "support/Environment.h"

#include <cstdlib>

void SetEnvironment(const std::string& name, const std::string& value)
{
    ::_putenv_s(name.c_str(), value.c_str());
}
