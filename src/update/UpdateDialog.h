#pragma once
// The small window the update run happens in: the product in the title, a status line
// and a progress bar. Two seconds after it opens, its timer starts the run, which ends
// the process. The window menu, where there is one, opens the about box.

#include "ui/ModalDialog.h"
#include "update/Updater.h"

class UpdateDialog : public ModalDialog, public Updater {
public:
    explicit UpdateDialog(HWND parent);

    // Slots 2 to 4 on the dialog's controls: the status line and the progress bar. The
    // controls are redrawn at once, since the run keeps the thread from painting.
    void setStatusText(std::string text) override;
    void setProgressRange(int low, int high) override;
    void setProgressPos(int pos) override;

    static constexpr UINT_PTR kTimerId = 247871;
    static constexpr UINT kTimerPeriod = 2000;
    // The window-menu command of the about box entry.
    static constexpr UINT kAboutCommand = 0x10;

protected:
    bool onInitialise() override;
    bool onPaint() override;
    bool onTimer(UINT_PTR id) override;
    bool onWindowMenuCommand(WPARAM command) override;
    HICON onQueryDragIcon() override;

private:
    // Sends message to control id and redraws the control.
    void sendToControl(int id, UINT message, WPARAM wParam, LPARAM lParam);

    HICON icon_ = nullptr;
};
