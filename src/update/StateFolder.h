#pragma once
// The folder inside a main directory where the client keeps its own state: the staging
// area of a run, the journal of a switch, the record of installed files and the files
// set aside because they were in use. Paths are relative to the main directory.

namespace state {

inline constexpr char kFolder[] = ".brenhold";
inline constexpr char kStaging[] = ".brenhold/staging";
inline constexpr char kAside[] = ".brenhold/aside";
inline constexpr char kJournal[] = ".brenhold/journal";
inline constexpr char kRecord[] = ".brenhold/installed";

} // namespace state
