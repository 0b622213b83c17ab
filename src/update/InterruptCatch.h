#pragma once
// Ctrl-C during the update run on a terminal: while an InterruptCatch lives, SIGINT does
// not end the process but is noted, so that the run can end after the block in hand
// without leaving a partial file behind.

class InterruptCatch {
public:
    // Catches SIGINT from now on; nothing is noted yet.
    InterruptCatch();
    // Gives SIGINT back to the handler it had before.
    ~InterruptCatch();
    InterruptCatch(const InterruptCatch&) = delete;
    InterruptCatch& operator=(const InterruptCatch&) = delete;

    // True once SIGINT arrived while an InterruptCatch lived.
    static bool requested();
};
