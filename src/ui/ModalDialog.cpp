#include "ui/ModalDialog.h"

#include <commctrl.h>

namespace {

// Templates may hold common controls (the progress bar): their window classes must be
// registered before the first dialog is created.
void RegisterCommonControls()
{
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)registered;
}

} // namespace

ModalDialog::ModalDialog(int templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

INT_PTR ModalDialog::runModal()
{
    RegisterCommonControls();
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent_,
                                           &ModalDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    window_ = nullptr;
    return result;
}

void ModalDialog::endDialog(INT_PTR result)
{
    if (window_ != nullptr)
        EndDialog(window_, result);
}

INT_PTR CALLBACK ModalDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<ModalDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        dialog->window_ = window;
        return dialog->onInitialise() ? TRUE : FALSE;
    }
    // Messages sent while the window is created, before WM_INITDIALOG, find no object.
    auto* dialog = reinterpret_cast<ModalDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (dialog == nullptr)
        return FALSE;
    return dialog->handleMessage(message, wParam);
}

INT_PTR ModalDialog::handleMessage(UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_PAINT:
        return onPaint() ? TRUE : FALSE;
    case WM_TIMER:
        return onTimer(static_cast<UINT_PTR>(wParam)) ? TRUE : FALSE;
    case WM_DESTROY:
        onDestroy();
        return FALSE;
    case WM_SIZE:
        onSize();
        return FALSE;
    case WM_SYSCOMMAND:
        if (!onWindowMenuCommand(wParam))
            return FALSE;
        SetWindowLongPtrA(window_, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_QUERYDRAGICON:
        // One of the messages whose answer the dialog procedure returns directly.
        return reinterpret_cast<INT_PTR>(onQueryDragIcon());
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            onOk();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            onCancel();
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
