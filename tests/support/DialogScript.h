#pragma once
// A test's part of a modal conversation: steps run one after another from a thread
// timer, so they also run inside the modal loops of dialogs, file dialogs and message
// boxes the code under test opens on the test's thread.

#include <windows.h>

#include <functional>
#include <vector>

class DialogScript {
public:
    // A step answers true when it has acted, false to be tried again on the next tick.
    using Step = std::function<bool()>;

    // Starts ticking at once. Should the steps not be through within the time limit, the
    // script closes every dialog of the thread so that the test ends (and fails).
    explicit DialogScript(std::vector<Step> steps, UINT timeLimitMs = 20000);
    ~DialogScript();

    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // A step whose work runs a message loop of its own (an update run that dispatches
    // the dialog's messages): it counts as acted when it begins, and the steps after it
    // run on the ticks inside it (a step meant for after the work waits for its end).
    static Step Enclosing(std::function<void()> work);

    // True when every step has acted.
    bool finished() const { return next_ == steps_.size(); }

    // True when a step itself led into a modal loop (a dialog the step did not expect),
    // which the script then closed.
    bool interrupted() const { return interrupted_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void tick();
    void abandon();

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    UINT ticksLeft_;
    bool stepRunning_ = false;
    bool interrupted_ = false;
    UINT_PTR timer_;
};
