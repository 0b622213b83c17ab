#pragma once
// The signing tool's one-line diagnostics on standard error.

#include <string>

// Writes "jobgate-sign: TEXT" and a line end to standard error.
void Complain(const std::string& text);

// Complain with ": " and the reason OpenSSL gave last (its queued errors are cleared).
void ComplainOpenSsl(const std::string& text);
