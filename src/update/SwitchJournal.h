#pragma once
// The switch from the installed files to the staged ones. It is written as a journal,
// flushed to disk, before the first file moves, so that a switch cut off at any moment
// (a kill, a power loss) is completed by the next start instead of leaving a mix of old
// and new files. Paths are listed paths; everything is relative to the main directory.

#include "update/InstallRecord.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct SwitchPlan {
    struct Move {
        std::string path;    // a staged file to put in place
        std::uint32_t time;  // its listed time, stamped after the move
    };
    std::vector<Move> moves;
    std::vector<std::string> removals; // withdrawn files the client installed
};

// Called at every step of a switch; tests stop the process there.
using SwitchCheckpoint = std::function<void()>;

// Writes the journal and the record that follows the switch durably, then carries the
// journal out. False when the journal could not be written: then nothing has changed.
bool SwitchOver(const SwitchPlan& plan, const InstallRecord& next, const SwitchCheckpoint& checkpoint);

// Completes the journal of a switch that was cut off; does nothing when there is none.
// True when no journal is left.
bool CompleteInterruptedSwitch(const SwitchCheckpoint& checkpoint);

// Removes the files an earlier switch set aside because they were in use, where they are
// no longer.
void RemoveSetAsideFiles();
