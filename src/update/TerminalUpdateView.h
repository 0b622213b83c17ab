#pragma once
// The update run on a terminal: status texts and a progress bar, converted from
// Windows-1252 to UTF-8 on the way out.

#include "update/Updater.h"

#include <ostream>

class TerminalUpdateView : public Updater {
public:
    // interactive: the output is a terminal, so the current line is redrawn in place and
    // carries a progress bar; otherwise every status text becomes one line.
    TerminalUpdateView(std::ostream& out, bool interactive);

    void setStatusText(std::string text) override;
    void setProgressRange(int low, int high) override;
    void setProgressPos(int pos) override;

    // Ends the line the view redraws, so that what follows starts on a line of its own.
    void finishLine();

private:
    void redraw();

    std::ostream& out_;
    bool interactive_;
    std::string status_;
    int low_ = 0;
    int high_ = 0;
    int percent_ = -1;     // shown in the bar; -1 when no bar is shown
    bool keepLine_ = false; // the current line showed a download and stays on screen
};
