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

    SetTimer(window(), kTimerId, kTimerPeriod, nullptr);
    SetWindowTextA(window(), FormatString(texts::kUpdateTitleFormat, productName.Display().c_str()).c_str());
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
    runUpdate();
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

void UpdateDialog::setStatusText(std::string text)
{
    HWND status = GetDlgItem(window(), IDC_STATUS);
    SetWindowTextA(status, text.c_str());
    UpdateWindow(status);
}

void UpdateDialog::setProgressRange(int low, int high)
{
    sendToControl(IDC_PROGRESS, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
}

void UpdateDialog::setProgressPos(int pos)
{
    sendToControl(IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}

void UpdateDialog::sendToControl(int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND control = GetDlgItem(window(), id);
    SendMessageA(control, message, wParam, lParam);
    UpdateWindow(control);
}
