#pragma once
// The diagnostic copy of the last multipart body sent.

#include <string>

// Keeps a copy of body for inspection where the platform has a place for it; failures
// are ignored.
void KeepMultipartCopy(const std::string& body);
