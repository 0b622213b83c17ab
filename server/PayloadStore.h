#pragma once
// Writing the payload store (see PayloadNames.h): making its folder and removing what a new
// listing no longer names.

#include "PayloadNames.h"

#include <set>
#include <string>

// Makes the store folder when it is missing (mode 0755). False, after a line on standard
// error, when it cannot be made or is no folder.
bool MakePayloadStore(const std::string& store);

// Removes from the store every payload whose name is not in keep, and the temporary files a
// stopped signing left. False, after a line on standard error, when one cannot be removed.
bool PrunePayloadStore(const std::string& store, const std::set<std::string>& keep);
