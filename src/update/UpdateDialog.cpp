#include "update/UpdateDialog.h"

#include "resource.h"
#include "text/FormatString.h"
#include "text/UserTexts.h"
#include "ui/GdiHandles.h"
#include "ui/WindowMenu.h"
#include "update/AboutDialog.h"

#include <commctrl.h>

UpdateDialog::UpdateDialog(HWND parent) : ModalDialog(IDD_UPDATE, parent) {}

bool UpdateDialog::onInitialise()
{
    // The status line starts empty, whatever the template holds.
    SetDlgItemTextA(window(), IDC_STATUS, "");

    AppendWindowMenuEntry(GetSystemMenu(window(), FALSE), LoadResourceString(IDS_ABOUTBOX), kAboutCommand);

    icon_ = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_BRENHOLD));
    SendMessageA(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));

    SetWindowTextA(window(), FormatString(texts::kUpdateTitleFormat, productName.Display().c_str()).c_str());
    if (quickStart) {
        // The dialog is not shown before this returns: the run starts hidden, and shows it
        // when something is to be downloaded (setProgressRange).
        endRun(runInside());
    }
    SetTimer(window(), kTimerId, kTimerPeriod, nullptr);
    setStatusText(texts::kWaitTwoSeconds);
    return true;
}

bool UpdateDialog::onPaint()
{
    if (!IsIconic(window()))
        return false;
    PaintContext paint(window());
    SendMessageA(window(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.dc()), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client{};
    GetClientRect(window(), &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(paint.dc(), x, y, icon_);
    return true;
}

bool UpdateDialog::onTimer(UINT_PTR id)
{
    if (id != kTimerId)
        return false;
    KillTimer(window(), kTimerId);
    // A timer message sent while the run dispatches messages must not start it again.
    if (running_)
        return true;
    endRun(runInside());
}

Updater::RunEnd UpdateDialog::runInside()
{
    running_ = true;
    const RunEnd end = bringUpToDate();
    running_ = false;
    showStatus(true);
    return end;
}

bool UpdateDialog::onWindowMenuCommand(WPARAM command)
{
    if ((command & ~WPARAM{0xF}) != kAboutCommand)
        return false;
    AboutDialog about(window());
    about.runModal();
    return true;
}

HICON UpdateDialog::onQueryDragIcon()
{
    return icon_;
}

void UpdateDialog::onOk()
{
    // Enter would end the dialog under the run's feet.
    if (!running_)
        endDialog(IDOK);
}

void UpdateDialog::onCancel()
{
    if (running_)
        askToCancel();
    else
        endDialog(IDCANCEL);
}

void UpdateDialog::askToCancel()
{
    // The question runs a message loop of its own, in which another close may arrive.
    if (asking_ || cancelRequested())
        return;
    asking_ = true;
    const int answer = MessageBoxA(window(), texts::kCancelUpdateQuestion, productName.Display().c_str(),
                                   MB_YESNO | MB_ICONQUESTION);
    asking_ = false;
    if (answer == IDYES)
        requestCancel();
}

void UpdateDialog::idle()
{
    showStatus(false);
    const auto now = ProgressThrottle::Clock::now();
    if (now - lastPump_ < kPumpInterval)
        return;
    lastPump_ = now;
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            requestCancel();
            return;
        }
        if (!IsDialogMessageA(window(), &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

void UpdateDialog::setStatusText(std::string text)
{
    // A status line set for every file of a long listing would cost more than checking
    // the files: under Wine the control paints itself at once.
    waitingStatus_ = std::move(text);
    statusWaits_ = true;
    showStatus(false);
}

void UpdateDialog::showStatus(bool force)
{
    if (!statusWaits_)
        return;
    const auto now = ProgressThrottle::Clock::now();
    if (!force && now - statusShownAt_ < ProgressThrottle::kInterval)
        return;
    statusShownAt_ = now;
    statusWaits_ = false;
    SetDlgItemTextA(window(), IDC_STATUS, waitingStatus_.c_str());
}

void UpdateDialog::setProgressRange(int low, int high)
{
    if (!IsWindowVisible(window()))
        ShowWindow(window(), SW_SHOW);
    HWND bar = GetDlgItem(window(), IDC_PROGRESS);
    RECT inside{};
    GetClientRect(bar, &inside);
    progress_.setRange(low, high, inside.right - inside.left);
    SendMessageA(bar, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
}

void UpdateDialog::setProgressPos(int pos)
{
    if (progress_.admit(pos))
        SendDlgItemMessageA(window(), IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}
