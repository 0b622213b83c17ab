#pragma once
// The platform's view of the update run: the update dialog on Windows, the terminal
// elsewhere; and the quiet view of unattended runs, which shows nothing at all.

#include "update/Updater.h"

#include <memory>

class UpdateView {
public:
    virtual ~UpdateView() = default;

    // The update run the view shows; its start-up values are set before run.
    virtual Updater& updater() = 0;

    // Shows the view and runs the update, which ends the process. Returns only when the
    // view was closed before the run began.
    virtual void run() = 0;
};

std::unique_ptr<UpdateView> MakeUpdateView();

// The view of an unattended run: no window, no terminal output (diagnostics still go to
// standard error).
std::unique_ptr<UpdateView> MakeQuietUpdateView();
