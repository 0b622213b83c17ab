// POSIX side of app/UpdateView.h: the update run on the terminal.
#include "app/UpdateView.h"

#include "update/InterruptCatch.h"
#include "update/TerminalUpdateView.h"

#include <iostream>
#include <unistd.h>

namespace {

class TerminalView : public UpdateView {
public:
    Updater& updater() override { return view_; }
    void run() override
    {
        // Ctrl-C during the run cancels it after the block in hand (see TerminalUpdateView).
        const InterruptCatch catchingCtrlC;
        const Updater::RunEnd end = view_.bringUpToDate();
        view_.finishLine();
        view_.endRun(end);
    }

private:
    TerminalUpdateView view_{std::cout, isatty(STDOUT_FILENO) == 1};
};

} // namespace

std::unique_ptr<UpdateView> MakeUpdateView()
{
    return std::make_unique<TerminalView>();
}
