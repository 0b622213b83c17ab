#pragma once
// What a test needs to know about folders the update run writes to, or must not.

#include <filesystem>
#include <string>

// One line per entry below folder, sorted: relative path, kind, size, modification time
// and a hash of a file's bytes. Equal texts mean nothing below folder was added,
// removed or changed. Entries at or below skip are left out.
std::string FolderState(const std::filesystem::path& folder, const std::filesystem::path& skip = {});

// The same for the installed content: files with their size, hash and modification time,
// folders by name only (a folder's time changes whenever an entry comes or goes).
std::string ContentState(const std::filesystem::path& folder, const std::filesystem::path& skip = {});

// The content of an installation directory outside its state folder .brenhold.
std::string InstalledState(const std::filesystem::path& mainDirectory);

// The paths of the record of installed files in a main directory, one a line, without the
// record's first line.
std::string RecordedPaths(const std::filesystem::path& mainDirectory);
