#pragma once
// The small window the update run happens in: the product in the title, a status line
// and a progress bar. Two seconds after it opens, its timer starts the run, which ends
// the process; with quickStart the run starts at once, and the dialog shows only once
// something is to be downloaded. The window menu, where there is one, opens the about box.
//
// The run keeps the one thread busy, so it dispatches the dialog's messages itself (see
// idle): the window repaints, moves and answers the system while files arrive. Closing
// the dialog during the run (Escape, Alt+F4, the window menu) asks whether to cancel it.

#include "ui/ModalDialog.h"
#include "update/ProgressThrottle.h"
#include "update/Updater.h"

#include <chrono>
#include <string>

class UpdateDialog : public ModalDialog, public Updater {
public:
    explicit UpdateDialog(HWND parent);

    // The run as the timer starts it: while it lasts, a close of the dialog asks whether
    // to cancel the run instead of ending the dialog, Enter does nothing, and a further
    // timer message starts nothing. Answers how the process is to end.
    RunEnd runInside();

    // Slots 2 to 4 on the dialog's controls: the status line and the progress bar (whose
    // range is set only when something is to be downloaded: a hidden dialog shows). The
    // status line takes a text at most 25 times a second (a later text waits for idle,
    // the run's last one is always shown); the bar is moved only when its drawn position
    // changes, as often (ProgressThrottle). The controls are painted when idle dispatches
    // their messages.
    void setStatusText(std::string text) override;
    void setProgressRange(int low, int high) override;
    void setProgressPos(int pos) override;

    // Slot 5: dispatches the thread's messages, at most once every kPumpInterval. A
    // WM_QUIT cancels the run, since the thread is asked to end.
    void idle() override;

    static constexpr UINT_PTR kTimerId = 247871;
    static constexpr UINT kTimerPeriod = 2000;
    // The window-menu command of the about box entry.
    static constexpr UINT kAboutCommand = 0x10;
    // Messages wait at most this long while the run works; painting costs time, so the
    // window is not painted more often than this.
    static constexpr std::chrono::milliseconds kPumpInterval{40};

protected:
    bool onInitialise() override;
    bool onPaint() override;
    bool onTimer(UINT_PTR id) override;
    bool onWindowMenuCommand(WPARAM command) override;
    HICON onQueryDragIcon() override;
    void onOk() override;
    void onCancel() override;

private:
    // The cancel question; Ja cancels the run. Asked once at a time.
    void askToCancel();
    // Puts the waiting status text on the status line, when there is one and force or
    // its interval has passed.
    void showStatus(bool force);

    HICON icon_ = nullptr;
    bool running_ = false;
    bool asking_ = false;
    ProgressThrottle progress_;
    ProgressThrottle::Clock::time_point lastPump_{};
    std::string waitingStatus_;
    bool statusWaits_ = false;
    ProgressThrottle::Clock::time_point statusShownAt_{};
};
