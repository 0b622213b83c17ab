#pragma once
// The copy of the client in a main directory's state folder: what the uninstall entry and
// the shortcuts that start through the client run. A release may ship the client's next
// version as one of its listed files; after the switch, that file (checked against its
// listed SHA-256) becomes the copy. A client that gets no such file keeps a copy of itself.
//
// The copy is replaced so that a cut at any moment leaves a whole client at the copy's
// path, or a checked one ready beside it that the next start puts there: the new bytes
// are written to a part file and checked, renamed to a ready file, and only then is the
// old copy kept as the previous one and the ready file put in place. The SHA-256 of what
// was put in place is noted beside the copy, so that a start need not hash it again. Paths
// are relative to the main directory, which is the current directory.

#include "update/SwitchJournal.h"

#include <string>

// The copy, its previous version, and the two files of a replacement under way, in the
// platform's naming (".brenhold/Brenhold.exe" on Windows, ".brenhold/brenhold" elsewhere).
const char* ClientCopyPath();
const char* PreviousClientCopyPath();
std::string ClientCopyPartPath();
std::string ClientCopyReadyPath();

// What a step on the copy did, for the run log; event is empty when nothing was to do.
struct ClientCopyReport {
    bool failed = false;
    std::string event;
};

// Puts a ready copy in place that a cut left beside a missing one, and removes a part file.
void RecoverClientCopy();

// Makes the installed listed file at listedPath the copy, unless the copy has that SHA-256
// already (as the replacement that made it recorded beside it, or as its bytes hash). The
// copy stays as it is when the file is missing or its bytes do not have the listed SHA-256.
// checkpoint is called at every step.
ClientCopyReport CopyListedClient(const std::string& listedPath, const std::string& sha256,
                                  const SwitchCheckpoint& checkpoint);

// Makes the running program the copy, unless it is the copy.
ClientCopyReport CopyRunningClient(const SwitchCheckpoint& checkpoint);

// The path of the copy below mainDirectory, in the platform's notation, for shortcuts.
std::string ClientCopyTarget(const std::string& mainDirectory);

// A path with the platform's separators ("\" on Windows, "/" elsewhere).
std::string NativePath(std::string path);

// Platform steps (ClientCopy_win.cpp, ClientCopy_posix.cpp).

// The running program's file; empty when it cannot be told.
std::string RunningProgramFile();

// Whether path names the running program's file.
bool IsRunningProgram(const std::string& path);

// Keeps the copy as the previous one (a previous one goes) and puts the ready file in its
// place; false when a step failed, with the copy then still whole at its path or the ready
// file beside it.
bool PutReadyCopyInPlace(const SwitchCheckpoint& checkpoint);
