#pragma once
// The cheaper ways to a needed file that a signed listing names, and making the file from a
// payload that arrived: a patch from the installed file, the compressed form, or the file
// itself, tried in that order. Knows no network: the run fetches what these name.

#include "filetree/PayloadColumns.h"
#include "update/PlannedFile.h"
#include "update/StagingIndex.h"

#include <string>
#include <vector>

// The downloads to try for file, cheapest first, each one the run falls back to when the one
// before fails: a patch whose older file has installedSha256 (empty when no file is installed
// or none was hashed), the compressed form, then the file itself (always last).
std::vector<PlannedFile> FetchOrder(const PlannedFile& file, const FilePayloads& payloads,
                                    const std::string& installedSha256);

// Whether payload is a patch, which starts from the installed file.
bool IsPatch(const PlannedFile& payload);

// Makes file (in its staging place, checked against its listed size and SHA-256) from the
// staged payload, which is removed then; a patch is applied to the installed file at
// installedPath. Empty when the file is staged and checked, otherwise the English reason;
// nothing of a failed attempt stays staged. index keeps what the staging area holds.
std::string MakeFromPayload(const PlannedFile& payload, const PlannedFile& file, const std::string& installedPath,
                            StagingIndex& index);
