#pragma once
// The cheaper ways to a needed file that a signed listing names: a patch from the installed
// file, the compressed form, or the file itself, tried in that order. Knows no network: the
// run fetches what these name, and PayloadMaker makes the file from a payload.

#include "filetree/PayloadColumns.h"
#include "update/PlannedFile.h"

#include <string>
#include <vector>

// The downloads to try for file, cheapest first, each one the run falls back to when the one
// before fails: a patch whose older file has installedSha256 (empty when no file is installed
// or none was hashed), the compressed form, then the file itself (always last).
std::vector<PlannedFile> FetchOrder(const PlannedFile& file, const FilePayloads& payloads,
                                    const std::string& installedSha256);

// Whether payload is a patch, which starts from the installed file.
bool IsPatch(const PlannedFile& payload);
