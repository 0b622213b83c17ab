#pragma once
// The update run on a terminal: status texts and a progress bar, converted from
// Windows-1252 to UTF-8 on the way out. Ctrl-C, caught by an InterruptCatch while the run
// lasts, cancels the run.

#include "update/ProgressThrottle.h"
#include "update/Updater.h"

#include <ostream>

class TerminalUpdateView : public Updater {
public:
    // interactive: the output is a terminal, so the current line is redrawn in place and
    // carries a progress bar; otherwise every status text becomes one line.
    // now: the clock that paces the bar's redraws (see ProgressThrottle).
    TerminalUpdateView(std::ostream& out, bool interactive,
                       ProgressThrottle::NowFunction now = &ProgressThrottle::Clock::now);

    void setStatusText(std::string text) override;
    void setProgressRange(int low, int high) override;
    // The bar is redrawn when its percentage changes, at most 25 times a second; 100 %
    // always.
    void setProgressPos(int pos) override;
    // Cancels the run once Ctrl-C was pressed (see InterruptCatch).
    void idle() override;

    // Ends the line the view redraws, so that what follows starts on a line of its own.
    void finishLine();

private:
    void redraw();

    std::ostream& out_;
    bool interactive_;
    std::string status_;
    ProgressThrottle throttle_;
    int low_ = 0;
    int high_ = 0;
    int percent_ = -1;     // shown in the bar; -1 when no bar is shown
    bool keepLine_ = false; // the current line showed a download and stays on screen
};
