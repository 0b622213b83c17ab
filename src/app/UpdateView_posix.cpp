// POSIX side of app/UpdateView.h: the update run on the terminal.
#include "app/UpdateView.h"

#include "update/InterruptCatch.h"
#include "update/TerminalUpdateView.h"

#include <iostream>
#include <unistd.h>
#include <utility>

namespace {

class TerminalView : public UpdateView {
public:
    Updater& updater() override { return view_; }
    void run() override
    {
        // The status line ends before anything the finish writes, or the product, follows.
        view_.onFinished = [this, finished = std::move(view_.onFinished)](const Updater& updater) {
            view_.finishLine();
            if (finished)
                finished(updater);
        };
        // Ctrl-C during the run cancels it after the block in hand (see TerminalUpdateView).
        const InterruptCatch catchingCtrlC;
        view_.runUpdate();
    }

private:
    TerminalUpdateView view_{std::cout, isatty(STDOUT_FILENO) == 1};
};

} // namespace

std::unique_ptr<UpdateView> MakeUpdateView()
{
    return std::make_unique<TerminalView>();
}
