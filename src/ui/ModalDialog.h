#pragma once
// Modal dialogs from resource templates. A dialog class overrides the handlers it needs
// (its handler table); every message it leaves alone gets the system's default dialog
// behaviour: Enter ends the dialog with IDOK, Escape and the close box with IDCANCEL.

#include <windows.h>

class ModalDialog {
public:
    // Nothing is created until runModal; parent may be null.
    ModalDialog(int templateId, HWND parent);
    virtual ~ModalDialog() = default;

    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Creates the dialog from its template in the program's module and runs the modal
    // loop. Answers the code the dialog ended with, or -1 when it could not be created.
    INT_PTR runModal();

    // The dialog window while the modal run lasts, otherwise null.
    HWND window() const { return window_; }

protected:
    // The handler table. A handler answering false leaves the message to the default
    // dialog behaviour.

    // The window exists, its controls too; it is not shown yet. Answers true to let the
    // system set the focus to the first control.
    virtual bool onInitialise() { return true; }
    virtual bool onPaint() { return false; }
    virtual bool onTimer(UINT_PTR /*id*/) { return false; }
    virtual void onDestroy() {}
    // The window's size changed, as when the system scales it to the DPI of another screen.
    virtual void onSize() {}
    // A command of the window menu (WM_SYSCOMMAND).
    virtual bool onWindowMenuCommand(WPARAM /*command*/) { return false; }
    // The icon shown while a minimised window is dragged; null for the default.
    virtual HICON onQueryDragIcon() { return nullptr; }
    // IDOK: Enter, or a button with that id.
    virtual void onOk() { endDialog(IDOK); }
    // IDCANCEL: Escape or the close box.
    virtual void onCancel() { endDialog(IDCANCEL); }

    // Ends the modal loop with result once the current message is handled.
    void endDialog(INT_PTR result);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handleMessage(UINT message, WPARAM wParam);

    int templateId_;
    HWND parent_;
    HWND window_ = nullptr;
};
