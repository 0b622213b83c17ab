#pragma once
// Changing the process environment from tests.

#include <string>

// Sets the environment variable name to value for this process.
void SetEnvironment(const std::string& name, const std::string& value);
