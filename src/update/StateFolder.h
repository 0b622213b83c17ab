#pragma once
// The folder inside a main directory where the client keeps its own state: the staging
// area of a run, the journal of a switch, the record of installed files, the files
// set aside because they were in use, and the checksums of installed files. Paths are
// relative to the main directory.

namespace state {

inline constexpr char kFolder[] = ".brenhold";
inline constexpr char kStaging[] = ".brenhold/staging";
inline constexpr char kAside[] = ".brenhold/aside";
inline constexpr char kJournal[] = ".brenhold/journal";
inline constexpr char kRecord[] = ".brenhold/installed";
inline constexpr char kHashes[] = ".brenhold/hashes";

} // namespace state
