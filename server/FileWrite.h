#pragma once
// Writing the signing tool's files so that nothing half-written is ever left in their place.
// Each function writes a line to standard error when it fails.

#include <sys/types.h>

#include <string>
#include <string_view>

// Makes a new file at path holding bytes, with the given mode, and flushes it to disk.
// Refuses when anything is at path already (it is never replaced); removes what it made
// when writing fails.
bool WriteNewFile(const std::string& path, std::string_view bytes, mode_t mode);

// Replaces the file at path (or makes it) by one holding bytes, with the given mode, at once:
// the bytes go into a temporary file in the same folder, which is flushed to disk and renamed
// over path, and the folder is flushed too. Readers see the old file or the new one, whole.
bool ReplaceFile(const std::string& path, std::string_view bytes, mode_t mode);
