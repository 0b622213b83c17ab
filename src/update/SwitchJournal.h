#pragma once
// The switch from the installed files to the staged ones. It is written as a journal,
// flushed to disk, before the first file moves, so that a switch cut off at any moment
// (a kill, a power loss) is finished or undone by the next start instead of leaving a mix
// of old and new files. Paths are listed paths; everything is relative to the main directory.
//
// Each file a move replaces is first set aside in the state folder, under a name the journal
// determines, and stays there until the switch is complete: a move that fails for good is
// undone from what was set aside, so that the installation is exactly the old version.

#include "update/InstallRecord.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct SwitchPlan {
    struct Move {
        std::string path;    // a staged file to put in place
        std::uint32_t time;  // its listed time, stamped after the move
        std::uint32_t size;  // its listed size
        std::string sha256;  // its listed checksum; empty when the listing carries none
    };
    std::vector<Move> moves;
    std::vector<std::string> removals; // withdrawn files the client installed
};

// Called at every step of a switch; tests stop the process there.
using SwitchCheckpoint = std::function<void()>;
// Takes a line for the run log.
using SwitchNote = std::function<void(const std::string&)>;

enum class SwitchEnd {
    Switched,   // every move is done and the journal is gone
    NotStarted, // the journal could not be written: nothing changed
    Undone,     // a move failed for good and the switch was undone: the old version stays
    Pending,    // neither finished nor undone: the journal stays for the next start
};

// Writes the journal and the record that follows the switch durably, then carries the
// journal out (or undoes it when a move fails). failedPath names the file whose move failed.
SwitchEnd SwitchOver(const SwitchPlan& plan, const InstallRecord& next, const SwitchCheckpoint& checkpoint,
                     std::string& failedPath);

// Finishes the journal of a switch that was cut off, putting a staged file in place only
// when it matches the size and checksum the journal names, or else undoes it. Does nothing
// when there is no journal; a damaged journal is removed with the staging area it refers
// to, and nothing is moved. Each of these is told to note. True when no journal is left.
bool CompleteInterruptedSwitch(const SwitchCheckpoint& checkpoint, const SwitchNote& note);

// Removes the files earlier switches set aside, where they are no longer in use.
void RemoveSetAsideFiles();
