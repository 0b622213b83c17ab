#pragma once
// One-line English messages for administrators on the standard error stream.

#include <string>

// Writes line and a line end to standard error and flushes it at once.
void WriteDiagnostic(const std::string& line);
